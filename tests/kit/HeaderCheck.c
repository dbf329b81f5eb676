/* karvo.h in a translation unit of its own, as a plug-in author includes it:
 * the declarations and the KARVO_PFN_ types must compile cleanly. */
#include "karvo.h"

KARVO_PFN_OpenAPI karvo_header_check_open = 0;
