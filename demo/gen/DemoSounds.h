// The demo's sounds: fifteen music tracks (the music room's fourteen and the
// preparation theme m08), the vocal song "uta", the click, the logo sound and
// the story's effects, including random-variant sets stem1 ... stem5.
//
// Formats are mixed on purpose so every decoder path is exercised: 16-bit
// PCM (mono and stereo), Microsoft ADPCM (our encoder) and MPEG Layer-3 in
// RIFF (encoded by the `lame` command). The song's voice is spoken by
// `espeak-ng` over the synthesised music. Both tools run in `workDir`;
// a tool that fails raises vantel::FileError naming the command.
#pragma once

#include <string>

#include "demo/gen/Asset.h"
#include "demo/gen/WaveWrite.h"

namespace vantel::demo {

AssetList SoundAssets(const std::string& workDir);

// Reads 16-bit PCM out of a RIFF/WAVE image (mono or stereo, any rate).
// Throws vantel::DataError on anything else.
Pcm ReadPcmWav(const std::string& bytes, int* rate = nullptr);

}  // namespace vantel::demo
