#pragma once
// The audio engine the player plays through: the operations, names and numeric
// conventions of the audio library the player was designed against, each doing what
// it does there. Our own operations beside them are in engine.h. All of them are
// called from the interface thread only and never wait for the audio thread.
#include <cstdint>

#include "stream_handle.h"

constexpr uint32_t BASS_POS_BYTE = 0, BASS_FILEPOS_END = 2, BASS_ATTRIB_VOL = 2;
constexpr uint32_t BASS_DATA_FFT1024 = 0x80000002;
// A stream here never waits for data it has not got (the designed library's
// "stalled", 2): it plays or it has ended.
constexpr uint32_t BASS_ACTIVE_STOPPED = 0, BASS_ACTIVE_PLAYING = 1, BASS_ACTIVE_PAUSED = 3;

uint32_t BASS_GetVersion();  // high 16 bits 0x0204
bool BASS_Init(int device, uint32_t freq, uint32_t flags, void* window, const void* clsid);
bool BASS_Free();
// Pauses every stream that plays. A follower sounding on without a handle behind an
// ended stream (engine.h's announceNext) is let go with them.
bool BASS_Stop();
// `file`: the bytes that name the file (not necessarily UTF-8); 0 on failure
HSTREAM BASS_StreamCreateFile(bool mem, const char* file, uint64_t offset, uint64_t length, uint32_t flags);
bool BASS_StreamFree(HSTREAM);
// Of a follower sounding on without a handle behind an ended stream (engine.h's
// announceNext): the first play, not a restart, of a new stream on its file adopts
// it, so the stream goes on from what has been heard of it; any other play, a
// pause, a stop or a seek lets it go. BASS_StreamFree of the ended stream leaves it
// sounding once the interface has seen the end (its position read equal to its
// length, or BASS_ChannelIsActive read as stopped), and lets it go before that.
bool BASS_ChannelPlay(HSTREAM, bool restart);
bool BASS_ChannelPause(HSTREAM);
bool BASS_ChannelStop(HSTREAM);
uint32_t BASS_ChannelIsActive(HSTREAM);                    // BASS_ACTIVE_*; STOPPED for 0 or a freed handle
uint64_t BASS_ChannelGetLength(HSTREAM, uint32_t mode);    // UINT64_MAX on failure
uint64_t BASS_ChannelGetPosition(HSTREAM, uint32_t mode);  // UINT64_MAX on failure
bool BASS_ChannelSetPosition(HSTREAM, uint64_t pos, uint32_t mode);
double BASS_ChannelBytes2Seconds(HSTREAM, uint64_t pos);      // negative on failure
uint64_t BASS_StreamGetFilePosition(HSTREAM, uint32_t mode);  // UINT64_MAX on failure
uint32_t BASS_ChannelGetLevel(HSTREAM);                       // LOWORD left, HIWORD right; UINT32_MAX on failure
// BASS_DATA_FFT1024: 512 floats. Without a flag, `length` bytes of the 16-bit
// sample data at the play position (at most 1024 frames). -1 on failure.
int32_t BASS_ChannelGetData(HSTREAM, void* buffer, uint32_t length);
bool BASS_ChannelSetAttribute(HSTREAM, uint32_t attrib, float value);
