#pragma once

// Every public header of the platform-neutral core.

#include "core/text/DecodingError.h"
#include "core/text/Utf16.h"
