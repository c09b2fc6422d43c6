// The download job's state machine and the operations around it. All of
// them run on the download thread only.
#pragma once

#include <cstdint>

#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"

namespace corvane {

// The download thread's body; param is the DownloadJob.
uint32_t DownloadThreadMain(void* param);

// Acts on one thread message; false when the thread is to end (TM_QUIT).
bool HandleJobMessage(DownloadJob& job, uint32_t message);

// Runs the action of the current state, then posts the status line the new
// state calls for ("Requesting Platform ID..." or "Connected").
void StepJob(DownloadJob& job, uint8_t slot);

// Closes the job's files, resets the reply event, ends the job and hides the
// progress bar, and clears the run's verification flags; with announce also
// "Waiting for new connection..." and WM_OPERATION_DONE (0, serial).
void EndJob(DownloadJob& job, bool announce);

// Posts WM_OPERATION_DONE (failed, the job's serial).
void PostOperationDone(DownloadJob& job, uint32_t failed);

// Closes the job's source file and the record's staged image, if open.
void CloseJobFiles(DownloadJob& job);

// Reports error code with an optional detail (not freed by the receiver) and
// ends the job with the announcement.
void FailJob(DownloadJob& job, uint32_t code, const char* detail = nullptr);

// The file iteration (states Idle, VerifyWait, FileDone).
void StartCurrentFile(DownloadJob& job);
void CompleteCurrentFile(DownloadJob& job);
void BeginVerification(DownloadJob& job);
void ApplyVerifyResult(DownloadJob& job, int result);

// The current list entry, or nullptr when there is no usable one.
const char* CurrentFilePath(const EngineContext& context);
// The last path component of the current list entry ("" when there is none).
const char* CurrentFileName(const EngineContext& context);

// Composes prefix + file name + suffix into out (size bytes, terminated).
// A name too long for the line is cut and marked with "...".
void ComposeFileStatus(char* out, size_t size, const char* prefix, const char* fileName,
                       const char* suffix);

}  // namespace corvane
