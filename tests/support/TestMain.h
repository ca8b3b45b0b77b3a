// The shared body of every test program: a private player-data folder, the
// units of the libraries under test, then GoogleTest.
#pragma once

#include <initializer_list>
#include <span>

#include "core/base/Units.h"

int RunTests(int argc, char** argv, std::initializer_list<std::span<const TUnit>> units);
