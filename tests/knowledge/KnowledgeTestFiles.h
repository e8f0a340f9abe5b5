#pragma once
// The knowledge tests' file helpers now live in TestFiles.h; this name stays for the tests that
// still include it.
#include "TestFiles.h"

#define SKIP_WITHOUT_TESTDATA(relative) SKIP_WITHOUT(TestData(relative))
