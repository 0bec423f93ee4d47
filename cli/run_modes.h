// The entry point of each of vmsum's modes; each returns the process exit code.
#pragma once

#include "cli/options.h"

namespace cli {

int RunCompute(const Options& options);
int RunCheck(const Options& options);
int RunExpect(const Options& options);
int RunText(const Options& options);
int RunVerifySignature(const Options& options);
int RunTrustKey(const Options& options);
int RunListKeys(const Options& options);
int RunForgetKey(const Options& options);
int RunTrustSigner(const Options& options);
int RunAudit(const Options& options);

}  // namespace cli
