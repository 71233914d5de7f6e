// Runs the grid editor's test classes: the editor's rules against fakes, the
// grid control on its own, and keyboard and mouse on real widgets.
#include "testsuites.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runEditorRuleTests(argc, argv);
    failures += runGridControlTests(argc, argv);
    failures += runKeyboardTests(argc, argv);
    return failures;
}
