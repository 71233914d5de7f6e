#pragma once

#include <utility>

// The program's replaceable seams (the link clock, the port factory, message
// boxes, file dialogs, the help opener) each have a setter that installs a
// replacement and returns what it replaced. ScopedSeam installs one for the
// lifetime of a scope and puts the previous one back, so no caller has to
// remember to.
template <typename Value, Value (*Install)(Value)> class ScopedSeam
{
public:
    explicit ScopedSeam(Value replacement) : mPrevious(Install(std::move(replacement))) {}
    ~ScopedSeam() { Install(std::move(mPrevious)); }
    ScopedSeam(const ScopedSeam &) = delete;
    ScopedSeam &operator=(const ScopedSeam &) = delete;

private:
    Value mPrevious;
};
