#include "twID3/twID3.h"

#include "platform/platform.h"

namespace sonrik::twID3 {

TtwID3::TtwID3() : id3v1_(std::make_unique<TtwID3v1>(*this)) {}

TtwID3::~TtwID3() = default;

void TtwID3::SetFilename(const std::string& value)
{
    filename_ = value;
    if (autoLoad_) Load();
}

void TtwID3::SetAutoLoad(bool value)
{
    autoLoad_ = value;
    if (value && platform::FileExists(filename_)) Load();
}

void TtwID3::LoadFromFile(std::string fileName) { LoadFile(fileName, nullptr); }

void TtwID3::LoadFromFile(const std::string& fileName, TagArea& area) { LoadFile(fileName, &area); }

void TtwID3::LoadFile(const std::string& fileName, TagArea* area)
{
    id3v2_ = {};
    // One open answers whether the file exists and gives its size.
    if (auto opened = platform::File::openExisting(fileName, platform::OpenMode::Read)) {
        auto& v1 = *id3v1_;
        v1.ResetForLoad();
        filename_ = fileName;
        loadedReadOnly_ = opened->readOnly;
        v1.LoadOpened(*opened, area, &id3v2_);
        if (success_ == id3Success)
            v1.DecodeRecord();
        else
            v1.ClearRecord();
        useID3v1_ = success_ == id3Success;
    } else {
        // The last loaded file's name, Lyrics3 values and record stay; the
        // ID3v1 values go back to that record below.
        success_ = id3NoSuchFile;
    }
    DecodeRecord();
}

void TtwID3::Load() { LoadFromFile(filename_); }

void TtwID3::SaveToFile(std::string fileName)
{
    EncodeRecord();
    const bool exists = platform::FileExists(fileName);
    if (exists && id3v1_->HasTagMarker()) {
        filename_ = fileName;
        id3v1_->SaveToFile(filename_);
        useID3v1_ = success_ == id3Success;
    } else {
        success_ = exists ? id3NoTags : id3NoSuchFile;
    }
}

void TtwID3::Save() { SaveToFile(filename_); }

void TtwID3::DecodeRecord() { id3v1_->DecodeRecord(); }

void TtwID3::EncodeRecord() { id3v1_->EncodeRecord(); }

}  // namespace sonrik::twID3
