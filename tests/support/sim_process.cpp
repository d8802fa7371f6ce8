#include "sim_process.h"
