// Fixture of the include-cycle check: a.h and b.cpp close a cycle.
#pragma once
#include "b.h"
