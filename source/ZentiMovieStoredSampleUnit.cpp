// Deriving the shape of one stored sample unit from the tracks, the creator
// version and the camera's movie description.
#include "ZentiMovie.h"

#include "bytes/FourCC.h"
#include "source/AtomFields.h"
#include "source/FrameRateTables.h"
#include "source/MovieChecks.h"
#include "source/MovieDesc.h"
#include "source/MovieDirectory.h"
#include "source/StoredSampleUnit.h"
#include "source/TimeToSampleTable.h"

#include <limits>
#include <memory>

using clipreel::FourCC;
using clipreel::MyTrackMediaDirectory;
using namespace clipreel::atom_fields;

clipreel::CStoredSampleUnit2* CZentiMovie::createStoredSampleUnit() const {
    const MyTrackMediaDirectory* video = directory->FindTrack(FourCC("vide"));
    if (video == nullptr) return nullptr;
    const std::uint32_t timeScale = directory->U32(video->mediaHeader, MediaTimeScale);
    clipreel::TimeToSampleEntry frames;
    if (!clipreel::TimeToSampleTable(directory->Read(video->timeToSample)).Entry(0, frames)) return nullptr;
    const std::uint32_t frameDuration = frames.sampleDuration;
    if (timeScale == 0 || frameDuration == 0) return nullptr;
    const CFrameRateInfo2 rate(timeScale, frameDuration);

    unsigned thumbnailSize = 0;
    const void* thumbnail = GetTHMData(thumbnailSize);
    const clipreel::MovieDesc desc(thumbnailSize, thumbnail);
    std::uint32_t groupOfPicture = desc.valid ? desc.groupOfPicture : 0;
    if (groupOfPicture == 0) groupOfPicture = clipreel::GroupOfPictureForRate(rate);
    if (groupOfPicture == 0) return nullptr;

    std::uint32_t framesPerUnit = desc.valid ? desc.framePerUnit : 0;
    if (framesPerUnit == 0) {
        if (creatorVersion == 4) {
            framesPerUnit = groupOfPicture;
        } else if (creatorVersion > 5) {
            return nullptr;  // these movies state it in their description
        } else {
            const std::uint32_t groupsPerUnit = clipreel::GroupsPerUnitForRate(rate);
            if (groupsPerUnit == 0) return nullptr;
            framesPerUnit = groupsPerUnit * groupOfPicture;
        }
    }
    framesPerUnit &= 0xFFFF;
    if (framesPerUnit == 0) return nullptr;

    std::uint32_t soundSamplesPerUnit = 0;
    const MyTrackMediaDirectory* sound = directory->FindTrack(FourCC("soun"));
    if (sound != nullptr && clipreel::MediaInOwnFile(*directory, *sound)) {
        const std::uint64_t sampleRate = directory->U16(sound->sampleDescription, SoundSampleRate);
        // Formed in 64 bits: the product of a long unit, a high sample rate
        // and a 1001 frame duration passes 2^32 and must not wrap.
        const std::uint64_t product = std::uint64_t(framesPerUnit) * sampleRate * frameDuration;
        if (product % timeScale != 0) return nullptr;
        const std::uint64_t samples = product / timeScale;
        if (samples > std::numeric_limits<std::uint32_t>::max()) return nullptr;
        soundSamplesPerUnit = static_cast<std::uint32_t>(samples);
    }

    auto unit = std::make_unique<clipreel::CStoredSampleUnit2>();
    unit->valid = true;
    unit->creatorVersion = creatorVersion;
    unit->videoFormat.valid = true;
    unit->videoFormat.frameRate = rate;
    unit->videoFormat.groupOfPicture = groupOfPicture;
    unit->framesPerUnit = framesPerUnit;
    unit->soundSamplesPerUnit = soundSamplesPerUnit;
    return unit.release();
}
