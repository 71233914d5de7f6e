#include "testsuites.h"
int runGridControlTests(int, char **)
{
    return 0;
}
