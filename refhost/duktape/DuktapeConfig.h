/* Forced in front of Debian's duktape.c (with -include): its configuration
 * as shipped, plus the run-time check refhost needs to stop a script that
 * runs too long or is being freed. The include guard of duk_config.h keeps
 * duktape.h from reading it a second time, so these settings stand. */
#include "/usr/share/duktape/duk_config.h"

#define DUK_USE_INTERRUPT_COUNTER
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) refhost_duk_exec_timeout_check(udata)

#ifdef __cplusplus
extern "C" {
#endif
/* Nonzero when the run that owns the heap must stop. */
int refhost_duk_exec_timeout_check(void* udata);
#ifdef __cplusplus
}
#endif
