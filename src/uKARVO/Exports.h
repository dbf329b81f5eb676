// What every export file includes: the generated prototypes (so an export's
// signature can never drift from the list) and the guard.
#pragma once

#include "platform/WindowsSupport.h"

#define KARVO_API
#define KARVO_BUILDING_DLL
#include "karvo.h"

#include "link/ExportForms.h"
#include "link/ExportGuard.h"
