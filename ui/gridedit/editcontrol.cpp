#include "editcontrol.h"

#include "griderrors.h"

namespace {

[[noreturn]] void missing(const char *member)
{
    throw MissingMemberError(std::string("the control has no ") + member);
}

} // namespace

QString EditControl::Text() const
{
    missing("Text");
}
void EditControl::setText(const QString &)
{
    missing("Text");
}
int EditControl::SelStart() const
{
    missing("SelStart");
}
void EditControl::setSelStart(int)
{
    missing("SelStart");
}
int EditControl::SelLength() const
{
    missing("SelLength");
}
void EditControl::setSelLength(int)
{
    missing("SelLength");
}
QString EditControl::SelText() const
{
    missing("SelText");
}
int EditControl::MaxLength() const
{
    missing("MaxLength");
}
void EditControl::setMaxLength(int)
{
    missing("MaxLength");
}
int EditControl::ListIndex() const
{
    missing("ListIndex");
}
void EditControl::setListIndex(int)
{
    missing("ListIndex");
}
bool EditControl::ListDropped() const
{
    missing("a drop-down list");
}
int EditControl::Value() const
{
    missing("Value");
}
void EditControl::setValue(int)
{
    missing("Value");
}
