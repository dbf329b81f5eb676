/* KARVO host SDK: what a host application needs to serve KARVO.DLL.
 *
 * The shared-memory block (its byte layout and states), the commands that
 * plug-ins send, and a serving loop. Usable from C89 and C++.
 *
 * A host creates the block under a fresh API handle, hands that name to its
 * plug-ins and serves every request that reaches KARVO_smsToProcess: it reads
 * the request, writes the reply and sets KARVO_smsWaitForRead last; the
 * plug-in reads the reply and sets KARVO_smsFree.
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
  unsigned short Reserved;                         /* offset 65594, zero */
  unsigned int DataPointer;                        /* offset 65596, opaque handle */
} TPluginsSharedMemData, *PPluginsSharedMemData;
#pragma pack(pop)

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

/* Creates a block under a fresh API handle made from windowHandle. Returns
 * null when the block cannot be made (after the host's message box). */
KarvoHostBlock* KARVO_HOST_CALL KarvoHostCreate(unsigned int windowHandle);
/* The API handle to hand to plug-ins: NUL-terminated UTF-16. */
const unsigned short* KARVO_HOST_CALL KarvoHostApiHandle(const KarvoHostBlock* host);
/* Serves at most one request: waits up to waitMs for KARVO_smsToProcess,
 * then calls the handler and writes its reply. Returns 1 when a request was
 * served, 0 when none came, -1 when the block is gone. The wait polls the
 * state byte without the mutex (about a millisecond of yielding, then once a
 * millisecond) and acts only on what it reads again under the mutex; the
 * request is read in one hold of the mutex and the reply written in one. */
int KARVO_HOST_CALL KarvoHostServeOne(KarvoHostBlock* host, KarvoRequestHandler handler, void* context,
                                unsigned int waitMs);
/* Marks the block as having no service (KARVO_smsNoAllocated) or as free. */
void KARVO_HOST_CALL KarvoHostSetState(KarvoHostBlock* host, unsigned char state);
void KARVO_HOST_CALL KarvoHostFree(KarvoHostBlock* host);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_HOST_H */
