/* KARVO host SDK: what a host application needs to serve KARVO.DLL.
 *
 * The shared-memory block (its byte layout and states), the commands that
 * plug-ins send, and a serving loop. Usable from C89 and C++.
 *
 * A host creates the block under a fresh API handle, hands that name to its
 * plug-ins and serves every request that reaches KARVO_smsToProcess: it reads
 * the request, writes the reply and sets KARVO_smsWaitForRead last; the
 * plug-in reads the reply and sets KARVO_smsFree. A reply that nobody reads
 * (its plug-in gave up waiting or ended) is set free by the serving loop.
 */
#ifndef KARVO_HOST_H
#define KARVO_HOST_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define KARVO_HOST_CALL __stdcall
#else
#define KARVO_HOST_CALL /* portable builds of the block layout */
#endif

/* ---- The block ---------------------------------------------------------- */

#define KARVO_BLOCK_SIZE 65600
#define KARVO_COMMAND_MAX 64
#define KARVO_TEXT_UNITS 16382 /* UTF-16 code units in SQL and in Data */
#define KARVO_API_HANDLE_PREFIX "KARVO_1.3_"
#define KARVO_MUTEX_SUFFIX "MUTEX"

/* TSharedMemState, one byte at offset 0. */
enum {
  KARVO_smsFree = 0,        /* no request; a client may write one */
  KARVO_smsNoAllocated = 1, /* no service behind the block */
  KARVO_smsToProcess = 2,   /* a request waits for the host */
  KARVO_smsProcessing = 3,  /* the host is serving it */
  KARVO_smsWaitForRead = 4  /* the reply is in the block */
};

#pragma pack(push, 1)
/* TPluginsSharedMemData: 65600 bytes, little-endian. */
typedef struct TPluginsSharedMemData {
  unsigned char State;                             /* offset 0 */
  unsigned char CommandLength;                     /* offset 1, 0..64 */
  char Command[KARVO_COMMAND_MAX];                 /* offset 2, system ANSI code page */
  unsigned short SQL[KARVO_TEXT_UNITS];            /* offset 66, UTF-16LE, NUL-ended or full */
  unsigned short Data[KARVO_TEXT_UNITS];           /* offset 32830 */
  unsigned short Reserved;                         /* offset 65594, request tag (below) */
  unsigned int DataPointer;                        /* offset 65596, opaque handle */
} TPluginsSharedMemData, *PPluginsSharedMemData;
#pragma pack(pop)

/* The request tag. KARVO.DLL stamps each request it writes with the value
 * the word holds plus one (65535 is followed by 1), under the same hold of
 * the mutex as the request, and takes a reply as its own only when the word
 * still holds its tag (or 0). A host leaves the word as it finds it; the
 * serving loop moves it on when it sets free a block whose reply nobody
 * read, so that a plug-in that wakes up late never takes the reply to a
 * later request for its own. A host or plug-in that knows nothing of the
 * tag works as before. */

/* ---- Commands ----------------------------------------------------------- */

#define KARVO_CMD_EXECUTE_SQL "EXECUTE_SQL"
#define KARVO_CMD_GET_FROM_QUERY_SQL "GET_FROM_QUERY_SQL"
#define KARVO_CMD_GET_FROM_SYS_QUERY_SQL "GET_FROM_SYS_QUERY_SQL"
#define KARVO_CMD_OPEN_QUERY_SQL "OPEN_QUERY_SQL"
#define KARVO_CMD_OPEN_SYS_QUERY_SQL "OPEN_SYS_QUERY_SQL"
#define KARVO_CMD_CLOSE_QUERY_SQL "CLOSE_QUERY_SQL"
#define KARVO_CMD_GET_CSV_QUERY_SQL "GET_CSV_QUERY_SQL"
#define KARVO_CMD_ADD_CONTROL "ADD_CONTROL"
#define KARVO_CMD_CLONE_CONTENER "CLONE_CONTENER"
#define KARVO_CMD_PROC "_PROC_" /* SQL = procedure name, Data = arguments joined by U+0001 */

/* What refhost, the reference host, answers (a host of its own may answer
 * otherwise within the contract):
 * - GET_FROM_QUERY_SQL, GET_FROM_SYS_QUERY_SQL: on success Data holds every
 *   row of the query's result, without field names: the values of a row as
 *   text (NULL as empty) joined by ";", the rows joined by CR LF, nothing
 *   quoted or escaped; an empty result gives an empty Data. An answer that
 *   does not fit Data (16382 units) and SQL the database rejects fail with
 *   the message in Data.
 * - OPEN_QUERY_SQL, OPEN_SYS_QUERY_SQL: DataPointer = a TDataSource object
 *   of refhost's object model over the query's data set; a statement that
 *   begins with the comment FORWARD_ONLY in slash-star brackets opens it
 *   forward-only.
 * - GET_CSV_QUERY_SQL: the export text of the library's in-process export,
 *   in UTF-16; its limits and refusals as the reply's message. */

/* Script procedures ("_PROC_"). Arguments in Data, joined by U+0001; "h" is
 * the script handle in unsigned decimal.
 *   "CreateScript"            the script's source       -> the new handle in decimal (never 0)
 *   "AddScriptVariant"        h, name, value            -> a variable of the script
 *   "SetScriptVariant"        h, name, value            -> changes one
 *   "GetScriptVariant"        h, name                   -> its value as text
 *   "AddScriptFunction"       h, aFuncValue, name       -> a host function the script calls by name
 *   "ExecuteScript"           h                         -> runs it and answers when it is done
 *   "ExecuteAsynchScript"     h, "1" or "0"             -> "1": starts it in the background and
 *                                                          answers at once; "0": runs it at once
 *   "CheckAsynchScriptStatus" h                         -> success once a background run ended
 *                                                          well; otherwise the reason as Data
 *   "FreeScript"              h                         -> releases it (a background run stops)
 * Variables travel as texts; the reference host gives them to the script
 * as strings, and reads them back as the script would print them (objects
 * and arrays as JSON).
 * A failure answers with its reason in Data; KARVO.DLL hands a script error
 * of the run procedures to the plug-in as the last error.
 *
 * aFuncValue of "AddScriptFunction" is not an address: it is the number of a
 * function in the host's table of functions for scripts, so that a plug-in
 * can only give a script what the host chose to offer. The host publishes
 * its numbers; a number it does not know is refused. The reference host
 * offers these: */
#define KARVO_SCRIPT_FN_LOG 1   /* log(...): writes its arguments, joined by spaces, to the host's log */
#define KARVO_SCRIPT_FN_SLEEP 2 /* sleep(ms): waits, never past the run's time limit */

/* Reply code (EXECUTE_SQL, CLOSE_QUERY_SQL): Command is one character whose
 * code is the result. Reply verdict (all other commands): Command beginning
 * with U+0001 is success with the answer in Data; otherwise Data holds the
 * host's message. */
#define KARVO_REPLY_SUCCESS 1
#define KARVO_REPLY_ERROR 0
#define KARVO_REPLY_MESSAGE 250
#define KARVO_VERDICT_SUCCESS '\001'

/* ---- Serving ------------------------------------------------------------ */

/* One request as the host reads it. Texts are UTF-16 and NUL-terminated. */
typedef struct KarvoRequest {
  char Command[KARVO_COMMAND_MAX + 1];       /* 8-bit, NUL-terminated */
  unsigned short SQL[KARVO_TEXT_UNITS + 1];
  unsigned short Data[KARVO_TEXT_UNITS + 1];
  unsigned int DataPointer;
} KarvoRequest;

/* The reply the handler fills in. Command: 8-bit bytes with their count
 * (a reply code is one byte; a verdict starts with KARVO_VERDICT_SUCCESS).
 * Data and DataPointer are written only when their flags are set. */
typedef struct KarvoReply {
  unsigned char CommandLength;
  char Command[KARVO_COMMAND_MAX];
  int WriteData;
  unsigned short Data[KARVO_TEXT_UNITS + 1]; /* NUL-terminated; longer is cut */
  int WriteDataPointer;
  unsigned int DataPointer;
} KarvoReply;

/* Returns nonzero to have the reply written; zero to leave the request
 * unanswered (the block stays as it is). */
typedef int(KARVO_HOST_CALL* KarvoRequestHandler)(void* context, const KarvoRequest* request, KarvoReply* reply);

typedef struct KarvoHostBlock KarvoHostBlock;

/* Creates a block under a fresh API handle made from windowHandle. A name
 * under which a mapping or mutex exists already (another program made it
 * first) is never used: another number is drawn, up to 32 times. Returns
 * null when the block cannot be made (after the host's message box, which
 * gives the reason). */
KarvoHostBlock* KARVO_HOST_CALL KarvoHostCreate(unsigned int windowHandle);
/* The API handle to hand to plug-ins: NUL-terminated UTF-16. */
const unsigned short* KARVO_HOST_CALL KarvoHostApiHandle(const KarvoHostBlock* host);
/* Serves at most one request: waits up to waitMs for KARVO_smsToProcess,
 * then calls the handler and writes its reply. Returns 1 when a request was
 * served, 0 when none came, -1 when the block is gone. The request is read
 * in one hold of the mutex and the reply written in one; every decision
 * rests on what is read under the mutex.
 *
 * Wake-ups. KarvoHostCreate also makes three auto-reset events named after
 * the API handle: KARVO_WAKE_HOST_SUFFIX (KARVO.DLL signals it after writing
 * a request), KARVO_WAKE_REPLY_SUFFIX (the serving loop signals it after
 * writing a reply, and KarvoHostSetState with KARVO_smsNoAllocated) and
 * KARVO_WAKE_FREE_SUFFIX (signalled whenever the block is set free), and a
 * small mapping KARVO_WAKE_WORDS_SUFFIX in which each side counts its pauses
 * on an event, so that the other signals only when somebody pauses. KARVO.DLL
 * opens them at OpenAPI, so neither side waits for its next look at the
 * block. A name that exists already (another program made it) leaves the
 * block without events: both sides then poll as before. The wait for a
 * request waits on the event and looks at the block every millisecond while
 * requests keep coming (about a millisecond of yielding first), then less
 * often: a plug-in that signals nothing is served within
 * KARVO_IDLE_POLL_MAX_MS (plus one timer tick) however long the host was
 * idle, and an idle host uses next to no CPU. For a while after serving a
 * request that came without a signal, the loop looks at the block once a
 * Sleep(1) instead, the pace such a plug-in keeps itself. */
#define KARVO_WAKE_HOST_SUFFIX "|KarvoWakeHost"
#define KARVO_WAKE_REPLY_SUFFIX "|KarvoWakeReply"
#define KARVO_WAKE_FREE_SUFFIX "|KarvoWakeFree"
#define KARVO_WAKE_WORDS_SUFFIX "|KarvoWakeWords"
#define KARVO_IDLE_POLL_MAX_MS 50
int KARVO_HOST_CALL KarvoHostServeOne(KarvoHostBlock* host, KarvoRequestHandler handler, void* context,
                                unsigned int waitMs);
/* A reply still unread this many milliseconds after KarvoHostServeOne wrote
 * it is taken for given up: its plug-in timed out (code 254) or ended. The
 * next KarvoHostServeOne sets the block free (and moves the request tag on),
 * so one such plug-in does not block the channel for every other. A live
 * plug-in reads its reply within milliseconds; the bound leaves room for a
 * loaded machine and a client polling on a 15.6 ms timer. */
#define KARVO_UNREAD_REPLY_MS 5000
/* Changes the bound for this block (0: the next serve sets it free). */
void KARVO_HOST_CALL KarvoHostSetUnreadReplyLimit(KarvoHostBlock* host, unsigned int ms);
/* How many unread replies the serving loop has set free so far. */
unsigned int KARVO_HOST_CALL KarvoHostUnreadRepliesFreed(const KarvoHostBlock* host);
/* Marks the block as having no service (KARVO_smsNoAllocated) or as free;
 * setting free a block that holds a request ends that request, as above. */
void KARVO_HOST_CALL KarvoHostSetState(KarvoHostBlock* host, unsigned char state);
void KARVO_HOST_CALL KarvoHostFree(KarvoHostBlock* host);

/* ---- Object model ------------------------------------------------------- */

/* Handles that the host hands to its plug-ins (data sources, components,
 * containers, menus, bitmaps, actions) are only ever worked on through this
 * table, which a host serving its plug-ins in its own process installs in
 * KARVO.DLL with KarvoInstallObjectModel. The library never dereferences a
 * handle: it passes it to the operation, and the host decides whether it is
 * one of its live objects. A host in another process installs nothing; every
 * direct operation then fails and the exports take their failure or host
 * request path.
 *
 * Every operation returns KARVO_OM_DONE when it was carried out and
 * KARVO_OM_FAILED otherwise (unknown handle, object of the wrong kind,
 * closed data set, any failure of the object itself). On failure the
 * library ignores the out parameters. A null entry in the table is an
 * operation the host does not offer: it fails. Calls come on the threads
 * of the plug-ins, one at a time: the library makes a plug-in thread wait
 * while another thread's call runs (a call into the library from inside an
 * operation, on the same thread, goes ahead). They must not raise or unwind
 * past the table.
 *
 * Texts going in are UTF-16 with a count of code units (no NUL needed);
 * texts coming back are handed to a KarvoTextOut. */

typedef unsigned int KarvoHandle; /* 32-bit handle as the plug-in holds it; 0 = none */

#define KARVO_OM_FAILED 0
#define KARVO_OM_DONE 1
#define KARVO_OBJECT_MODEL_VERSION 1

/* A text the host hands back: it calls Put with the text's UTF-16 units,
 * once or in several pieces (each call appends). No call means empty. */
typedef struct KarvoTextOut KarvoTextOut;
struct KarvoTextOut {
  void(KARVO_HOST_CALL* Put)(KarvoTextOut* self, const unsigned short* units, unsigned int count);
};

/* Property kinds. */
enum {
  KARVO_tkUnknown = 0,
  KARVO_tkInteger = 1,
  KARVO_tkChar = 2,
  KARVO_tkEnumeration = 3,
  KARVO_tkFloat = 4,
  KARVO_tkString = 5,
  KARVO_tkSet = 6,
  KARVO_tkClass = 7,
  KARVO_tkMethod = 8,
  KARVO_tkWChar = 9,
  KARVO_tkLString = 10,
  KARVO_tkWString = 11,
  KARVO_tkVariant = 12,
  KARVO_tkArray = 13,
  KARVO_tkRecord = 14,
  KARVO_tkInterface = 15,
  KARVO_tkInt64 = 16,
  KARVO_tkDynArray = 17,
  KARVO_tkUString = 18,
  KARVO_tkClassRef = 19,
  KARVO_tkPointer = 20,
  KARVO_tkProcedure = 21
};

/* Width and signedness of an ordinal property (INTEGER, CHAR, ENUMERATION,
 * SET, CLASS, WCHAR). */
enum {
  KARVO_otSByte = 0,
  KARVO_otUByte = 1,
  KARVO_otSWord = 2,
  KARVO_otUWord = 3,
  KARVO_otSLong = 4,
  KARVO_otULong = 5
};

/* Precision of a FLOAT property. */
enum {
  KARVO_ftSingle = 0,
  KARVO_ftDouble = 1,
  KARVO_ftExtended = 2,
  KARVO_ftComp = 3, /* 64-bit integer */
  KARVO_ftCurr = 4  /* 64-bit integer of ten-thousandths */
};

/* One published property, as PropertyInfo describes it. */
typedef struct KarvoPropertyInfo {
  unsigned int Kind;      /* KARVO_tk... */
  unsigned int OrdType;   /* ordinal kinds: KARVO_ot...; otherwise 0 */
  unsigned int FloatType; /* FLOAT: KARVO_ft...; otherwise 0 */
  unsigned int CanRead;   /* nonzero when the property has a reader */
  unsigned int CanWrite;  /* nonzero when it has a writer */
} KarvoPropertyInfo;

/* A method as a (code, data) pair: entry address and the object it is
 * called on, both as the host understands them. */
typedef struct KarvoMethod {
  unsigned int Code;
  unsigned int Data;
} KarvoMethod;

typedef struct KarvoObjectModel {
  unsigned int Size;    /* sizeof(KarvoObjectModel) as the host was built */
  unsigned int Version; /* KARVO_OBJECT_MODEL_VERSION */
  void* Context;        /* passed as the first argument of every operation */

  /* -- Any object -- */
  /* The exact class name ("TDataSource", "TMenuItem", ...). */
  int(KARVO_HOST_CALL* ClassName)(void* context, KarvoHandle object, KarvoTextOut* name);
  /* The component's own name (may be empty). */
  int(KARVO_HOST_CALL* ObjectName)(void* context, KarvoHandle object, KarvoTextOut* name);

  /* -- Data source and data set -- */
  /* The data set behind a data source; *dataSet = 0 when it has none. */
  int(KARVO_HOST_CALL* DataSourceDataSet)(void* context, KarvoHandle dataSource, KarvoHandle* dataSet);
  /* First and Last settle pending edits first; Last fails on a
   * forward-only data set; Next on the last record sets the end flag and
   * stays there. */
  int(KARVO_HOST_CALL* DataSetFirst)(void* context, KarvoHandle dataSet);
  int(KARVO_HOST_CALL* DataSetLast)(void* context, KarvoHandle dataSet);
  int(KARVO_HOST_CALL* DataSetNext)(void* context, KarvoHandle dataSet);
  int(KARVO_HOST_CALL* DataSetPrior)(void* context, KarvoHandle dataSet);
  int(KARVO_HOST_CALL* DataSetRecordCount)(void* context, KarvoHandle dataSet, int* count);
  /* Record numbers are 1-based. */
  int(KARVO_HOST_CALL* DataSetGetRecNo)(void* context, KarvoHandle dataSet, int* recNo);
  int(KARVO_HOST_CALL* DataSetSetRecNo)(void* context, KarvoHandle dataSet, int recNo);
  int(KARVO_HOST_CALL* DataSetEof)(void* context, KarvoHandle dataSet, unsigned char* eof);
  /* Screen-control updates: a nesting counter; the Enable that brings it
   * back to zero tells attached controls once that the data changed.
   * GetCSVQuerySQL switches them off for its walk and on once at the end,
   * however the walk ended. When Disable fails, the library walks nothing
   * and does not call Enable; when Enable fails, the in-process export has
   * failed as a whole: its text and message are dropped and the export is
   * asked of the host ("GET_CSV_QUERY_SQL"), whose answer is returned. */
  int(KARVO_HOST_CALL* DataSetDisableControls)(void* context, KarvoHandle dataSet);
  int(KARVO_HOST_CALL* DataSetEnableControls)(void* context, KarvoHandle dataSet);
  /* Fields in the data set's order, 0-based. */
  int(KARVO_HOST_CALL* DataSetFieldCount)(void* context, KarvoHandle dataSet, int* count);
  int(KARVO_HOST_CALL* DataSetFieldName)(void* context, KarvoHandle dataSet, int field, KarvoTextOut* name);
  /* The field's value in the current record, as text. */
  int(KARVO_HOST_CALL* DataSetFieldText)(void* context, KarvoHandle dataSet, int field, KarvoTextOut* value);
  /* The index of the field of that name, ignoring case; fails when none. */
  int(KARVO_HOST_CALL* DataSetFieldByName)(void* context, KarvoHandle dataSet, const unsigned short* name,
                                           unsigned int nameCount, int* field);

  /* -- Published properties of the object's class, own and inherited,
   *    indexed 0 .. count-1, each name once -- */
  int(KARVO_HOST_CALL* PropertyCount)(void* context, KarvoHandle object, int* count);
  int(KARVO_HOST_CALL* PropertyInfo)(void* context, KarvoHandle object, int property, KarvoPropertyInfo* info,
                                     KarvoTextOut* name, KarvoTextOut* typeName);
  /* Ordinal: the value's bits in the property's width, zero above it; the
   * library widens it by OrdType. Writing stores the low bits of that width. */
  int(KARVO_HOST_CALL* PropertyGetOrdinal)(void* context, KarvoHandle object, int property, unsigned int* bits);
  int(KARVO_HOST_CALL* PropertySetOrdinal)(void* context, KarvoHandle object, int property, unsigned int bits);
  /* Float: read widened to double. A written value has been rounded by the
   * library for ftComp (to an integer) and ftCurr (to four decimals); the
   * host stores it in the property's own precision. */
  int(KARVO_HOST_CALL* PropertyGetFloat)(void* context, KarvoHandle object, int property, double* value);
  int(KARVO_HOST_CALL* PropertySetFloat)(void* context, KarvoHandle object, int property, double value);
  /* Text kinds (STRING, LSTRING, WSTRING, USTRING). */
  int(KARVO_HOST_CALL* PropertyGetText)(void* context, KarvoHandle object, int property, KarvoTextOut* value);
  int(KARVO_HOST_CALL* PropertySetText)(void* context, KarvoHandle object, int property, const unsigned short* value,
                                        unsigned int valueCount);
  /* METHOD kind. */
  int(KARVO_HOST_CALL* PropertyGetMethod)(void* context, KarvoHandle object, int property, KarvoMethod* value);
  int(KARVO_HOST_CALL* PropertySetMethod)(void* context, KarvoHandle object, int property, const KarvoMethod* value);

  /* -- Containers: non-windowed children first, then windowed ones, each
   *    group in insertion order; direct children only -- */
  int(KARVO_HOST_CALL* ContainerChildCount)(void* context, KarvoHandle container, int* count);
  int(KARVO_HOST_CALL* ContainerChild)(void* context, KarvoHandle container, int index, KarvoHandle* child);

  /* -- Menus -- */
  /* The root item of a main or popup menu. */
  int(KARVO_HOST_CALL* MenuRootItem)(void* context, KarvoHandle menu, KarvoHandle* rootItem);
  /* Appends item as the last child of parentItem; fails when item already
   * has a parent. */
  int(KARVO_HOST_CALL* MenuItemAppend)(void* context, KarvoHandle parentItem, KarvoHandle item);

  /* -- Bitmaps -- */
  /* Loads the RT_BITMAP resource of module (a module handle of the
   * process) into the bitmap: by name when name is not null, else by the
   * number resId (only 0 to 65535 name a resource). Fails when the
   * resource is missing or unreadable. */
  int(KARVO_HOST_CALL* BitmapLoadResource)(void* context, KarvoHandle bitmap, KarvoHandle module,
                                           const unsigned short* name, unsigned int nameCount, unsigned int resId);

  /* -- Actions -- */
  /* *handled = 1 when a handler ran, 0 when there was nothing to do. */
  int(KARVO_HOST_CALL* ActionExecute)(void* context, KarvoHandle action, int* handled);

  /* -- Published methods -- */
  /* The method of that name in the object's class or its ancestors, most
   * derived first, ignoring case. The name is UTF-8, at most 255 bytes.
   * *code = 0 when there is none. */
  int(KARVO_HOST_CALL* FindMethod)(void* context, KarvoHandle object, const unsigned char* name,
                                   unsigned int nameCount, unsigned int* code);
  /* Calls method.Code with method.Data as its object and no arguments. */
  int(KARVO_HOST_CALL* CallMethod)(void* context, const KarvoMethod* method);
} KarvoObjectModel;

/* KarvoInstallObjectModel (exported by KARVO.DLL, declared in karvo.h with
 * a void* argument) takes a KarvoObjectModel*. The library keeps its own
 * copy of the table, so the host's struct need not outlive the call; the
 * Context and the functions must stay valid until the model is replaced,
 * uninstalled (null) or the library unloaded; replacing or uninstalling
 * waits until a call through the old table on another thread has returned,
 * so the old Context may go once it returns. Entries beyond the host's
 * Size read as null. Returns 1 when installed (or uninstalled), 0 when the
 * table is refused (Size too small for the header, unknown Version); a
 * refused table leaves no model installed. */

#ifdef __cplusplus
}
#endif

#endif /* KARVO_HOST_H */
