// Everything a program needs to use the Kestrune library.
#pragma once

#include "kestrune_sdk.h"
#include "kestrune_sha1.h"
#include "camera_module.h"
#include "nvs_records.h"
#include "nvs_client_module.h"
#include "camera_detect_module.h"
