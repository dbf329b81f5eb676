// The mix of calls that one thread of a plug-in makes in the thread tests
// and the soak: requests, delimited fields with 70 KB results, call
// documents, host objects through the model and through the host, the W
// form, and failures whose messages name the thread. Every text a thread
// asks for carries its mark, so a text of another thread is told apart from
// a torn one, and each pointer result is read again after a call of the same
// thread that returns no text. The exports come in a table: a plug-in's
// from GetProcAddress, the soak's linked in.
#pragma once

#include <atomic>
#include <string>

#include "ScriptedHost.h"
#include "TestObjectModel.h"

// Only the exports' types are wanted here: declared plainly, so that the
// library's own sources, linked into the soak, may declare them after.
#ifndef KARVO_H
#define KARVO_API
#include "karvo.h"
#undef KARVO_API
#endif

namespace karvo::test {

// The exports the mix calls, as the plug-in has them.
struct MixExports {
  KARVO_PFN_ExecuteSQL ExecuteSQL;
  KARVO_PFN_GetFromQuerySQL GetFromQuerySQL;
  KARVO_PFN_GetFromQuerySQLW GetFromQuerySQLW;
  KARVO_PFN_GetLastAPIError GetLastAPIError;
  KARVO_PFN_GetLastAPIErrorW GetLastAPIErrorW;
  KARVO_PFN_CSVGetFieldCount CSVGetFieldCount;
  KARVO_PFN_CSVGetField CSVGetField;
  KARVO_PFN_CSVSetField CSVSetField;
  KARVO_PFN_XMLGetProcName XMLGetProcName;
  KARVO_PFN_GetProperty GetProperty;
  KARVO_PFN_SetProperty SetProperty;
  KARVO_PFN_GetPropertyStr GetPropertyStr;
};

struct MixTally {
  std::atomic<long> calls{0};
  std::atomic<long> spurious{0};  // a code, a failure or a success that the call should not give
  std::atomic<long> foreign{0};   // a text another thread asked for
  std::atomic<long> torn{0};      // a text nobody asked for
  std::atomic<long> changed{0};   // a text result changed by a later call that returns no text
  bool Clean() const { return spurious == 0 && foreign == 0 && torn == 0 && changed == 0; }
};

// What the host answers, from the request alone.
Answer MixAnswer(const SeenRequest& r);
// One object per thread in the model, with the property the mix writes.
void AddMixObjects(TestObjectModel& model, int threads);
// One thread's calls: at least `atLeast`, and on until the tick count
// passes `until`. COM is the caller's to start on the thread.
void RunMix(const MixExports& x, int thread, int threads, DWORD until, long atLeast, MixTally& tally);

}  // namespace karvo::test
