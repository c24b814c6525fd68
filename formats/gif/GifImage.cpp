// The GIF model: colour tables, frames, extension classes and their registries, the picture's
// settings and notifications, and the registration of the format. Reading is in GifReader.cpp,
// painting in GifPainter.cpp.
#include "formats/gif/GifImage.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/Clipboard.h"
#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

namespace nox {

// ---- TGIFColorMap -------------------------------------------------------------------------------

TGIFColor TGIFColorMap::Color(int index) {
    if (index < 0 || index >= count_) {
        if (owner_) owner_->Warning(gsWarning, gifmsg::kInvalidColorIndex);
        if (count_ == 0) throw GIFException(gifmsg::kEmptyColorTable);
        index = 0;
    }
    return colors_[static_cast<size_t>(index)];
}

void TGIFColorMap::Clear() {
    colors_.clear();
    count_ = 0;
    sorted_ = false;
}

void TGIFColorMap::SetCapacity(int count) {
    if (count <= 0) return;
    count = std::min(count, 256);
    const int capacity = count <= 16 ? 16 : std::min(256, (count + 31) / 32 * 32);
    if (capacity > Capacity()) colors_.resize(static_cast<size_t>(capacity));
}

void TGIFColorMap::SetCount(int count) {
    count = std::clamp(count, 0, 256);
    SetCapacity(count);
    for (int i = count_; i < count; ++i) colors_[static_cast<size_t>(i)] = TGIFColor{};
    count_ = count;
}

int TGIFColorMap::Add(const TGIFColor& color) {
    if (count_ >= 256) return -1;
    SetCapacity(count_ + 1);
    colors_[static_cast<size_t>(count_)] = color;
    return count_++;
}

int TGIFColorMap::BitsPerPixel() const {
    if (count_ == 0) return 0;
    int bits = 1;
    while ((1 << bits) < count_) ++bits;
    return bits;
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count) {
    count = std::clamp(count, 0, 256);
    Clear();
    SetCapacity(count);
    const size_t bytes = static_cast<size_t>(count) * 3;
    uint8_t buffer[768];
    if (stream.Read(buffer, bytes) != bytes) throw GIFException(gifmsg::kPrematureEnd);
    for (int i = 0; i < count; ++i)
        colors_[static_cast<size_t>(i)] = {buffer[i * 3], buffer[i * 3 + 1], buffer[i * 3 + 2]};
    count_ = count;
}

std::vector<TRGBQuad> TGIFColorMap::Palette() const {
    std::vector<TRGBQuad> palette(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i) {
        const TGIFColor& c = colors_[static_cast<size_t>(i)];
        palette[static_cast<size_t>(i)] = RGBQuad(c.Red, c.Green, c.Blue);
    }
    return palette;
}

// ---- items --------------------------------------------------------------------------------------

void TGIFItem::Warning(uint8_t severity, const std::string& message) {
    if (image_) image_->Warning(this, severity, message);
}

void TGIFItem::LoadFromFile(const std::string& path) {
    TFileStream in(path, TFileStream::Mode::fmOpenRead);
    LoadFromStream(in);
}

void TGIFHeader::Clear() {
    Descriptor = TLogicalScreenDescriptor{};
    ColorMap.Clear();
}

// ---- TGIFSubImage -------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), Extensions(image, this), ColorMap(this) {}

TGIFSubImage::~TGIFSubImage() {
    // The graphic control extension asks its frame on release whether it is the frame's own.
    graphicControl_ = nullptr;
    Extensions.Clear();
}

void TGIFSubImage::SetSize(int width, int height) {
    width = std::clamp(width, 0, 0xFFFF);
    height = std::clamp(height, 0, 0xFFFF);
    if (width == Width() && height == Height() && data_.size() == static_cast<size_t>(width) * height) return;
    const unsigned long long bytes = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    CheckAllocationSize(bytes);
    TPixelBytes fresh;
    try {
        fresh.resize(static_cast<size_t>(bytes));  // new memory from the pixel allocator is zero
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(msg::kOutOfMemory);
    }
    data_ = std::move(fresh);
    Descriptor.Width = static_cast<uint16_t>(width);
    Descriptor.Height = static_cast<uint16_t>(height);
    FreeBitmap();
    RaiseLogicalScreen();
}

void TGIFSubImage::SetWidth(int width) { SetSize(width, Height()); }
void TGIFSubImage::SetHeight(int height) { SetSize(Width(), height); }

void TGIFSubImage::RaiseLogicalScreen() {
    if (!image_) return;
    if (Left() + Width() > image_->Header.Width()) image_->Header.SetWidth(Left() + Width());
    if (Top() + Height() > image_->Header.Height()) image_->Header.SetHeight(Top() + Height());
}

void TGIFSubImage::SetData(TPixelBytes data) {
    if (data.size() != static_cast<size_t>(Width()) * static_cast<size_t>(Height()))
        throw GIFException(gifmsg::kInvalidData);
    data_ = std::move(data);
    FreeBitmap();
}

int TGIFSubImage::TransparentIndex() const {
    return transparent_ && graphicControl_ ? graphicControl_->TransparentColorIndex() : -1;
}

int TGIFSubImage::Version() const {
    return ColorMap.Sorted() || Extensions.Count() > 0 ? gv89a : gv87a;
}

void TGIFSubImage::Clear() {
    graphicControl_ = nullptr;
    Extensions.Clear();
    ColorMap.Clear();
    data_ = {};
    Descriptor = TImageDescriptor{};
    transparent_ = false;
    FreeBitmap();
}

void TGIFSubImage::FreeBitmap() {
    bitmap_.reset();
    mask_.clear();
    needMask_ = true;
    palette_.clear();
    hasPalette_ = false;
}

// ---- extensions ---------------------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* frame) : TGIFItem(frame ? frame->Image() : nullptr), frame_(frame) {}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* frame) : TGIFExtension(frame) {
    if (frame && !frame->GraphicControlExtension()) frame->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
    if (Frame() && Frame()->GraphicControlExtension() == this) Frame()->SetGraphicControlExtension(nullptr);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* frame) : TGIFApplicationExtension(frame) {
    std::memcpy(Identifier.data(), "NETSCAPE2.0", 11);
}

namespace {

template <typename T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* frame) {
    return std::make_unique<T>(frame);
}

std::array<uint8_t, 11> Identifier11(const char* text) {
    std::array<uint8_t, 11> id{};
    std::memcpy(id.data(), text, 11);
    return id;
}

}  // namespace

const TGIFExtensionClass GIFGraphicControlExtensionClass{"TGIFGraphicControlExtension", 0xF9,
                                                         &Make<TGIFGraphicControlExtension>, nullptr};
const TGIFExtensionClass GIFTextExtensionClass{"TGIFTextExtension", 0x01, &Make<TGIFTextExtension>, nullptr};
const TGIFExtensionClass GIFCommentExtensionClass{"TGIFCommentExtension", 0xFE, &Make<TGIFCommentExtension>, nullptr};
const TGIFExtensionClass GIFApplicationExtensionClass{"TGIFApplicationExtension", 0xFF,
                                                      &Make<TGIFApplicationExtension>,
                                                      &TGIFApplicationExtension::ResolveClass};
const TGIFExtensionClass GIFUnknownAppExtensionClass{"TGIFUnknownAppExtension", 0xFF,
                                                     &Make<TGIFUnknownAppExtension>, nullptr};
const TGIFExtensionClass GIFAppExtNSLoopClass{"TGIFAppExtNSLoop", 0xFF, &Make<TGIFAppExtNSLoop>, nullptr};

TExtensionList& TExtensionList::Instance() {
    static TExtensionList list = [] {
        TExtensionList l;
        l.Add(&GIFTextExtensionClass);
        l.Add(&GIFGraphicControlExtensionClass);
        l.Add(&GIFCommentExtensionClass);
        l.Add(&GIFApplicationExtensionClass);
        return l;
    }();
    return list;
}

const TGIFExtensionClass* TExtensionList::Find(uint8_t label) const {
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it)
        if ((*it)->Label == label) return *it;
    return nullptr;
}

TAppExtensionList& TAppExtensionList::Instance() {
    static TAppExtensionList list = [] {
        TAppExtensionList l;
        l.Add(Identifier11("NETSCAPE2.0"), &GIFAppExtNSLoopClass);
        l.Add(Identifier11("ANIMEXTS1.0"), &GIFAppExtNSLoopClass);
        return l;
    }();
    return list;
}

const TGIFExtensionClass* TAppExtensionList::Find(const std::array<uint8_t, 11>& identifier) const {
    for (const Entry& e : entries_)
        if (e.Identifier == identifier) return e.Class;
    return nullptr;
}

// ---- TGIFImage ----------------------------------------------------------------------------------

namespace {
TGIFImage::TSaveFunc gSave = nullptr;
TGIFImage::TAssignBitmapFunc gAssignBitmap = nullptr;
unsigned gClipboardFormat = 0;
}  // namespace

TGIFImage::TGIFImage()
    : Header(this),
      Images(this),
      PaintOptions(GIFDefaultPaintOptions),
      ReductionMethod(GIFDefaultReductionMethod),
      ReductionBits(GIFDefaultReductionBits),
      DitherMode(GIFDefaultDitherMode),
      WriteCompression(GIFDefaultWriteCompression),
      PainterPriority(GIFDefaultPainterPriority),
      AnimationSpeed(GIFDefaultAnimationSpeed),
      PaintBackground(GIFDefaultPaintBackground) {}

TGIFImage::~TGIFImage() = default;

void TGIFImage::SetWidth(int32_t width) {
    Header.SetWidth(std::clamp(width, 0, 0xFFFF));
    PaletteModified();
}

void TGIFImage::SetHeight(int32_t height) {
    Header.SetHeight(std::clamp(height, 0, 0xFFFF));
    PaletteModified();
}

void TGIFImage::Clear() {
    // Painting is synchronous here, so there are no painters to stop.
    Images.Clear();
    Header.Clear();
    palette_.clear();
    hasPalette_ = false;
}

void TGIFImage::PaletteModified() {
    palette_.clear();
    hasPalette_ = false;
    for (const auto& frame : Images) frame->FreeBitmap();
}

void TGIFImage::Warning(TGIFItem*, uint8_t severity, const std::string& message) {
    if (OnWarning) OnWarning(this, severity, message);
}

void TGIFImage::Progress(TProgressStage stage, int percent, const std::string& message) {
    if (OnProgress) OnProgress(this, stage, percent, message);
}

void TGIFImage::SetWriter(TSaveFunc save, TAssignBitmapFunc assignBitmap) {
    gSave = save;
    gAssignBitmap = assignBitmap;
}

void TGIFImage::SaveToStream(TStream& stream) {
    if (!gSave) throw GIFException("GIF writing is not available");
    gSave(*this, stream);
}

void TGIFImage::Assign(TPersistent* source) {
    if (source == this) return;
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        if (!gAssignBitmap) throw GIFException("GIF writing is not available");
        gAssignBitmap(*this, *bitmap);
        return;
    }
    TGraphic::Assign(source);
}

// ---- registration -------------------------------------------------------------------------------

unsigned RegisterGIFFormat(int displayBitsPerPixel) {
    static std::once_flag once;
    std::call_once(once, [] {
        TPicture::RegisterFileFormat("gif", gifmsg::kGIFImage, [] { return std::make_unique<TGIFImage>(); });
        gClipboardFormat = RegisterClipboardFormat(gifmsg::kGIFImage);
        // Paste reads a "GIF Image" memory block as a whole GIF file.
        TPicture::RegisterClipboardFormat(gClipboardFormat, [] { return std::make_unique<TGIFImage>(); });
    });
    PaletteDisplay = displayBitsPerPixel <= 8;
    return gClipboardFormat;
}

unsigned CF_GIF() { return gClipboardFormat; }

}  // namespace nox
