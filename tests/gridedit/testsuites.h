#pragma once

// The test classes of this program, each run in turn by main.
int runEditorRuleTests(int argc, char **argv);
int runGridControlTests(int argc, char **argv);
int runKeyboardTests(int argc, char **argv);
