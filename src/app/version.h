// The launcher's version, defined once for the code and the resources.
#pragma once

#define TABRIVET_VERSION "1.11"
// The same version as numbers, for the resource's version information.
#define TABRIVET_VERSION_NUMBERS 1, 11, 0, 0
