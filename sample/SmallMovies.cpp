#include "sample/SampleMovieWriter.h"

namespace clipreel {
namespace sample {

SampleMovieSpec TinyMovieSpec(unsigned units) {
    SampleMovieSpec spec;
    spec.units = units;
    spec.framesPerUnit = 6;
    spec.groupOfPicture = 3;
    spec.timeScale = 3000;
    spec.frameDuration = 100;
    spec.width = 16;
    spec.height = 16;
    spec.frames = FrameContent::Dummy;
    spec.sound.format = FourCC("raw ");
    spec.sound.sampleRate = 8000;
    spec.sound.channels = 1;
    spec.sound.bitsPerSample = 8;
    return spec;
}

void AddAtomsAroundMediaData(SampleMovieSpec& spec) {
    ExtraAtom before;
    before.type = FourCC("uuid");
    before.payload.assign(40, 7);
    before.afterMediaData = false;
    ExtraAtom after;
    after.payload.assign(100, 9);
    spec.extraAtoms = {before, after};
}

}
}
