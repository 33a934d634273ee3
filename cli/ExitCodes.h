// cli/ExitCodes.h
#pragma once

// Exit codes of ambermill-cli; scripts rely on them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;   // anything else that went wrong
inline constexpr int kExitBadInput = 2;  // a path, file or argument the user gave is unusable
inline constexpr int kExitNothing = 3;   // the file was read but nothing was recovered
inline constexpr int kExitPartial = 4;   // an export finished with failed statements
inline constexpr int kExitDamaged = 5;   // recovered, with damage: some data could not be read
inline constexpr int kExitInterrupted = 130;
