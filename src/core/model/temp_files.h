// The temporary files of saves in progress, known to the signal handlers: a tool stopped by
// SIGINT or SIGTERM in the middle of an export removes the file it was writing and ends with
// 128 + the signal, instead of leaving a hidden file beside the target.
#pragma once

namespace zel {

// Saves name their temporary file here while it exists (a few at once at most; more are only
// left to the next save's clean-up).
void RegisterTempFile(const char* path);
void ForgetTempFile(const char* path);

// From now on SIGINT and SIGTERM remove the registered files (with unlink, which is safe in a
// signal handler) and end the process with status 128 + the signal.
void RemoveTempFilesOnSignals();

} // namespace zel
