// TGraphic: a picture of any kind that knows its size, draws itself into a rectangle of a
// drawing surface, and reads and writes itself from and to streams and files.
#pragma once

#include <memory>
#include <string>

#include "platform/Persistent.h"
#include "platform/Types.h"

namespace nox {

class TBitmap;
class TCanvas;
class TStream;

class TGraphic : public TPersistent {
public:
    const char* ClassName() const override { return "TGraphic"; }

    virtual int32_t Width() = 0;
    virtual int32_t Height() = 0;
    virtual bool Empty() { return Width() == 0 || Height() == 0; }
    virtual void SetWidth(int32_t width) = 0;
    virtual void SetHeight(int32_t height) = 0;

    // Paints the picture into `rect` of `canvas`, scaled to it; pixels it leaves unpainted keep
    // their values (transparency).
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;

    // Reads the file ("Cannot open file %s" when it cannot be opened).
    virtual void LoadFromFile(const std::string& path);
    // Writes the file through the replace-when-complete writer.
    virtual void SaveToFile(const std::string& path);

    // Takes over a device bitmap's picture as Assign does; a class that can keeps the given bitmap
    // instead of copying its pixels (saving a 12-megapixel pane would otherwise copy 48 MB more).
    virtual void TakeOverBitmap(std::unique_ptr<TBitmap> bitmap);
};

}  // namespace nox
