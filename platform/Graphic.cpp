// File reading and writing shared by every graphic.
#include "platform/Graphic.h"

#include "platform/Bitmap.h"

#include "platform/Stream.h"

namespace nox {

void TGraphic::LoadFromFile(const std::string& path) {
    TFileStream in(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(in);
}

void TGraphic::SaveToFile(const std::string& path) {
    WriteFileReplacing(path, [this](TStream& out) { SaveToStream(out); });
}

void TGraphic::TakeOverBitmap(std::unique_ptr<TBitmap> bitmap) { Assign(bitmap.get()); }

}  // namespace nox
