#pragma once

// The simulator is a program, not a library: the units under test are compiled into
// each test program that includes this file.
#include "../../tools/zeltar-sim/reply_transmitter.cpp"
#include "../../tools/zeltar-sim/sim_instrument.cpp"
#include "../../tools/zeltar-sim/sim_line.cpp"
#include "../../tools/zeltar-sim/sim_options.cpp"
