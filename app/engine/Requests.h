// The projector requests. Each is a pair: begin sends the first command and
// arms the reader; continue is called with every completed reply and returns
// a small result that the job's state table maps to the next step.
//
// Continue results, by request:
//   PlatformRequest    2 always (the job then tests the ACK)
//   ReadIdsRequest     0 awaiting, 1 done, 3 negative reply
//   IdentifyRequest    1 line incomplete, 2 tries used up, 3 done, 4 retry sent
//   PartitionsRequest  0 line incomplete, 1 done, 2 retry sent, 3 malformed, 5 tries used up
//   ClearNvramRequest  1 done, 3 negative reply
//   ProgramIdsRequest  0 awaiting, 1 done, 3 negative reply
//   EraseRequest       0 next erase command sent, 1 all erased, 5 negative reply
//   ProgramRequest     0 next block sent (or "F" repeated), 1 image exhausted, 3 negative reply,
//                      6 damaged staged image (nothing sent)
//   VerifyRequest      0 checksum awaited, 1 checksums agree, 3 differ, 4 "V" refused,
//                      6 damaged staged image
#pragma once

#include <cstdint>

#include "app/engine/EngineContext.h"

namespace corvane {

inline constexpr int kIdentifyMaxTries = 3;
inline constexpr int kPartitionsMaxTries = 5;
inline constexpr int kProgramMaxRetries = 5;

void PlatformRequestBegin(EngineContext& context, uint8_t slot);
int PlatformRequestContinue(EngineContext& context, uint8_t slot);

void ReadIdsRequestBegin(EngineContext& context, uint8_t slot);
int ReadIdsRequestContinue(EngineContext& context, uint8_t slot);

void IdentifyRequestBegin(EngineContext& context, uint8_t slot);
// Fills identification (kIdentificationSize bytes) when the line is complete.
int IdentifyRequestContinue(EngineContext& context, uint8_t slot, char* identification);

void PartitionsRequestBegin(EngineContext& context, uint8_t slot);
int PartitionsRequestContinue(EngineContext& context, uint8_t slot);

void ClearNvramRequestBegin(EngineContext& context, uint8_t slot);
int ClearNvramRequestContinue(EngineContext& context, uint8_t slot);

// 1 when both new numbers are empty (nothing sent), else 0.
int ProgramIdsRequestBegin(EngineContext& context, uint8_t slot);
int ProgramIdsRequestContinue(EngineContext& context, uint8_t slot);

void EraseRequestBegin(EngineContext& context, uint8_t slot);
int EraseRequestContinue(EngineContext& context, uint8_t slot, const PartitionFlags& flags);

void ProgramRequestBegin(EngineContext& context, uint8_t slot);
int ProgramRequestContinue(EngineContext& context, uint8_t slot);

// 0 when "V" was sent; 1 when the flags mark no partition within the table:
// there is nothing to compare, nothing is sent and the file counts as verified.
int VerifyRequestBegin(EngineContext& context, uint8_t slot, const PartitionFlags& flags);
int VerifyRequestContinue(EngineContext& context, uint8_t slot, const PartitionFlags& flags);

}  // namespace corvane
