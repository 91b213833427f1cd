// The games' test table under its earlier name.
#pragma once
#include "GameTable.h"
