// SQL commands. Until the databases come, statements succeed and do nothing.
#include "RefHostService.h"

namespace refhost {
namespace {

Registration executeSql(KARVO_CMD_EXECUTE_SQL, [](const KarvoRequest&, ReplyWriter& out) { out.Code(KARVO_REPLY_SUCCESS); });
Registration closeQuery(KARVO_CMD_CLOSE_QUERY_SQL, [](const KarvoRequest&, ReplyWriter& out) { out.Code(KARVO_REPLY_SUCCESS); });

}  // namespace
}  // namespace refhost
