// Carries out one zrbar request: reads the page or file it names, reaches the
// server, exports the page, makes the call, prints the answer and writes --out.
#ifndef ZRFORM_TOOLS_ZRBAR_RUN_H_
#define ZRFORM_TOOLS_ZRBAR_RUN_H_

#include "tools/zrbar_request.h"

namespace zr {

// Prints the answer on standard output and any trouble on standard error;
// returns the exit status (kExitCallMade, kExitFailed, kExitUnreachable).
// REQUIRES: a QCoreApplication exists (the calls wait in its event loop).
int RunBarRequest(const BarRequest& request);

}  // namespace zr

#endif  // ZRFORM_TOOLS_ZRBAR_RUN_H_
