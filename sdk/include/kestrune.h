// Everything a program needs to use the Kestrune library.
#pragma once

#include "kestrune_sdk.h"
#include "kestrune_sha1.h"
#include "camera_module.h"
