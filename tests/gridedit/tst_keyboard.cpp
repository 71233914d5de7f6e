#include "testsuites.h"
int runKeyboardTests(int, char **)
{
    return 0;
}
