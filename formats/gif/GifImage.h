// The GIF picture and its in-memory model: a header (logical screen, global colour table), a list
// of frames (each with its extensions, an optional local colour table and one colour index per
// pixel) and the trailer, the extension classes with their registries, and the unit-wide defaults.
//
// Who does what in this folder:
//   - this model, reading (GifReader.cpp, LzwDecoder.*) and painting (GifPainter.cpp): gifread;
//   - colour reduction (ColorReduction.*), writing (GifWriter.*, LzwEncoder.*): gifwrite.
// Everything declared here is final. Writing reaches the model through its public members only; the
// image's SaveToStream and its taking of a device bitmap go through the writer installed with
// TGIFImage::SetWriter (the writer's own registration function installs it and is called beside
// RegisterGIFFormat at start-up), so that reading and painting do not depend on writing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphic.h"
#include "platform/Persistent.h"
#include "platform/Types.h"

namespace nox {

class TStream;
class TCanvas;
class TGIFImage;
class TGIFSubImage;
class TGIFExtension;
class TGIFGraphicControlExtension;

// ---- unit-wide settings -------------------------------------------------------------------------

// Bits of TGIFImage::PaintOptions.
enum TGIFPaintOption : uint16_t {
    PaintAsync = 0x0001,              // the painter runs as its own thread
    PaintTransparent = 0x0002,        // frames with a transparent colour are painted through their mask
    Animate = 0x0004,                 // several frames are painted by a painter, frame after frame
    LoopAnimation = 0x0008,           // the painter starts again after the last frame
    LoopForever = 0x0010,             // loop without end, whatever the loop extension says
    CheckTarget = 0x0020,             // stop when the target is no longer a device context
    PaintDirect = 0x0040,             // paint straight onto the target; the draw does not wait
    ClearOnLoop = 0x0080,             // clear the frame area before each pass of the animation
    TileImage = 0x0100,               // repeat frames across the target instead of scaling them
    DitherToWeb = 0x0200,             // render dithered to the 216-colour palette ...
    DitherOnPaletteDisplay = 0x0400,  // ... but only on a palette display
};

// The class library's "no colour" value of PaintBackground.
inline constexpr uint32_t clNone = 0x1FFFFFFF;

// Defaults that every new TGIFImage copies.
inline uint16_t GIFDefaultPaintOptions = 0x060F;
inline uint8_t GIFDefaultReductionMethod = 6;  // the fixed 216-colour palette
inline uint32_t GIFDefaultReductionBits = 8;
inline uint8_t GIFDefaultDitherMode = 0;       // nearest colour
inline uint8_t GIFDefaultWriteCompression = 0; // LZW (1: run-length coding)
inline int GIFDefaultPainterPriority = 3;      // normal thread priority
inline int GIFDefaultAnimationSpeed = 100;     // percent
inline uint32_t GIFDefaultPaintBackground = clNone;

// Render each frame's bitmap right after it is read.
inline bool RenderOnLoad = false;
// Run the optimiser before storing an image inside a form (never reached here).
inline bool OptimizeOnStore = false;
// True on a display of 8 bits per pixel or fewer (set by the display check at registration);
// DitherOnPaletteDisplay consults it.
inline bool PaletteDisplay = false;

// Versions an item can need.
enum TGIFVersion : int { gvUnknown = 0, gv87a = 1, gv89a = 2 };

// Warning severities.
enum TGIFSeverity : uint8_t { gsInfo = 0, gsWarning = 1, gsError = 2 };

// Stages of OnProgress.
enum class TProgressStage { psStarting, psRunning, psEnding };

// Messages of the GIF unit.
namespace gifmsg {
inline constexpr const char* kPrematureEnd = "Premature end of data";
inline constexpr const char* kInvalidSignature = "Invalid GIF signature";
inline constexpr const char* kUnknownExtension = "Unknown extension type";
inline constexpr const char* kInvalidIntroducer = "Invalid extension introducer";
inline constexpr const char* kExtensionMismatch = "Internal error: Extension Instance does not match Extension Label";
inline constexpr const char* kAppExtBlockSize = "Unsupported Application Extension block size";
inline constexpr const char* kInvalidData = "Invalid GIF data";
inline constexpr const char* kCircularTable = "Circular decoder table entry";
inline constexpr const char* kUnknownBlock = "Unknown GIF block type";
inline constexpr const char* kImageExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* kBitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* kInvalidTrailer = "Invalid Image trailer";
inline constexpr const char* kInvalidColorIndex = "Invalid color index";
inline constexpr const char* kEmptyColorTable = "Color table is empty";
inline constexpr const char* kNoColorTable = "No global or local color table defined";
inline constexpr const char* kLoading = "Loading...";
inline constexpr const char* kRendering = "Rendering...";
inline constexpr const char* kGIFImage = "GIF Image";
}  // namespace gifmsg

// ---- colour tables ------------------------------------------------------------------------------

// One colour-table entry as the file stores it.
struct TGIFColor {
    uint8_t Red = 0, Green = 0, Blue = 0;
    friend constexpr bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

class TGIFItem;

// A colour table: up to 256 entries, a capacity that grows by the GIF rule and a sorted flag.
class TGIFColorMap : public TPersistent {
public:
    explicit TGIFColorMap(TGIFItem* owner = nullptr) : owner_(owner) {}
    const char* ClassName() const override { return "TGIFColorMap"; }

    int Count() const { return count_; }
    // 16 for up to 16 entries, else the count rounded up to a multiple of 32, at most 256.
    int Capacity() const { return static_cast<int>(colors_.size()); }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted) { sorted_ = sorted; }
    const TGIFColor* Data() const { return colors_.data(); }
    TGIFColor* Data() { return colors_.data(); }

    // The entry at `index` unchecked (index < Count()).
    const TGIFColor& operator[](int index) const { return colors_[static_cast<size_t>(index)]; }
    TGIFColor& operator[](int index) { return colors_[static_cast<size_t>(index)]; }

    // Looks a colour up by index: outside the table the warning "Invalid color index" is issued
    // and index 0 is used; an empty table then fails with "Color table is empty".
    TGIFColor Color(int index);

    void Clear();
    // Grows the capacity to hold `count` entries (by the rule above; never below the present one).
    void SetCapacity(int count);
    // Sets the count (at most 256), growing the capacity; new entries are black.
    void SetCount(int count);
    // Appends a colour and returns its index; a full table (256 entries) returns -1.
    int Add(const TGIFColor& color);
    // 0 for an empty table, else the smallest b >= 1 with 2^b >= Count().
    int BitsPerPixel() const;
    // Reads `count` entries (3 bytes each) exactly; "Premature end of data" when they are not there.
    void LoadFromStream(TStream& stream, int count);
    // The platform palette made from the table: one entry per table entry.
    std::vector<TRGBQuad> Palette() const;

    TGIFItem* Owner() const { return owner_; }

private:
    TGIFItem* owner_;
    std::vector<TGIFColor> colors_;
    int count_ = 0;
    bool sorted_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    using TGIFColorMap::TGIFColorMap;
    const char* ClassName() const override { return "TGIFGlobalColorMap"; }
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    using TGIFColorMap::TGIFColorMap;
    const char* ClassName() const override { return "TGIFLocalColorMap"; }
};

// ---- items --------------------------------------------------------------------------------------

// One part of a GIF stream; knows its owning image.
class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFImage* image) : image_(image) {}
    const char* ClassName() const override { return "TGIFItem"; }

    TGIFImage* Image() const { return image_; }
    // The GIF version the item needs: GIF87a for the base, GIF89a for every extension.
    virtual int Version() const { return gv87a; }
    // Hands a warning to the owning image's warning notification.
    virtual void Warning(uint8_t severity, const std::string& message);
    virtual void LoadFromStream(TStream& stream) = 0;
    // Opens the file and reads it with LoadFromStream.
    void LoadFromFile(const std::string& path);

protected:
    TGIFImage* image_;
};

// The logical screen descriptor exactly as in the file.
struct TLogicalScreenDescriptor {
    uint16_t ScreenWidth = 0;
    uint16_t ScreenHeight = 0;
    uint8_t PackedFields = 0;          // bit 7 global table, 4-6 colour resolution, 3 sort, 0-2 size
    uint8_t BackgroundColorIndex = 0;
    uint8_t AspectRatio = 0;
};

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), ColorMap(this) {}
    const char* ClassName() const override { return "TGIFHeader"; }

    // The 6 bytes of signature and version as read ("GIF89a").
    std::array<uint8_t, 6> Signature{'G', 'I', 'F', '8', '7', 'a'};
    TLogicalScreenDescriptor Descriptor;
    TGIFGlobalColorMap ColorMap;

    int Width() const { return Descriptor.ScreenWidth; }
    int Height() const { return Descriptor.ScreenHeight; }
    void SetWidth(int width) { Descriptor.ScreenWidth = static_cast<uint16_t>(width); }
    void SetHeight(int height) { Descriptor.ScreenHeight = static_cast<uint16_t>(height); }
    int BackgroundColorIndex() const { return Descriptor.BackgroundColorIndex; }

    // Empty global table, logical screen 0 x 0, all descriptor fields 0.
    void Clear();
    void LoadFromStream(TStream& stream) override;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    const char* ClassName() const override { return "TGIFTrailer"; }
    // Reads one byte; a byte other than 0x3B gives the warning "Invalid Image trailer", none at all
    // is accepted.
    void LoadFromStream(TStream& stream) override;
};

// An ordered, owning list of items that knows its image.
template <typename Item>
class TGIFList : public TPersistent {
public:
    explicit TGIFList(TGIFImage* image) : image_(image) {}
    TGIFImage* Image() const { return image_; }
    int Count() const { return static_cast<int>(items_.size()); }
    Item* operator[](int index) const { return items_[static_cast<size_t>(index)].get(); }
    Item* Add(std::unique_ptr<Item> item) {
        items_.push_back(std::move(item));
        return items_.back().get();
    }
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    TGIFImage* image_;
    std::vector<std::unique_ptr<Item>> items_;
};

// The extensions of one frame.
class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
    TGIFExtensionList(TGIFImage* image, TGIFSubImage* frame) : TGIFList(image), frame_(frame) {}
    const char* ClassName() const override { return "TGIFExtensionList"; }
    TGIFSubImage* Frame() const { return frame_; }
    // Reads the extensions that stand before a frame's image descriptor.
    void LoadFromStream(TStream& stream);

private:
    TGIFSubImage* frame_;
};

// The 10-byte image descriptor exactly as in the file.
struct TImageDescriptor {
    uint8_t Separator = 0x2C;
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t PackedFields = 0;  // bit 7 local table, 6 interlace, 5 sort, 3-4 reserved, 0-2 size
};

// One frame.
class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    ~TGIFSubImage() override;
    const char* ClassName() const override { return "TGIFSubImage"; }

    TGIFExtensionList Extensions;
    TGIFLocalColorMap ColorMap;
    TImageDescriptor Descriptor;

    int Left() const { return Descriptor.Left; }
    int Top() const { return Descriptor.Top; }
    int Width() const { return Descriptor.Width; }
    int Height() const { return Descriptor.Height; }
    TRect BoundsRect() const { return {Left(), Top(), Left() + Width(), Top() + Height()}; }
    void SetLeft(int left) { Descriptor.Left = static_cast<uint16_t>(left); }
    void SetTop(int top) { Descriptor.Top = static_cast<uint16_t>(top); }
    // A change of size makes the pixel memory anew (width x height bytes of 0) and raises the
    // logical screen to the frame's right and bottom edges. EOutOfMemory before allocating when
    // the memory could not exist.
    void SetWidth(int width);
    void SetHeight(int height);
    bool Interlaced() const { return (Descriptor.PackedFields & 0x40) != 0; }

    // The pixel indices: Width() x Height() bytes, rows from the top, in display order. Read from a
    // file, only the first frame keeps them (nothing shows the others).
    uint8_t* Data() { return data_.data(); }
    const uint8_t* Data() const { return data_.data(); }
    size_t DataSize() const { return data_.size(); }
    uint8_t* ScanLine(int row) { return data_.data() + static_cast<size_t>(row) * static_cast<size_t>(Width()); }
    // Replaces the pixel indices (exactly Width() x Height() bytes).
    void SetData(TPixelBytes data);

    // No pixel memory, a pixel count of 0, or a width or height of 0.
    bool Empty() const { return data_.empty() || Width() == 0 || Height() == 0; }

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent; }
    // The first graphic control extension made for the frame, or null.
    TGIFGraphicControlExtension* GraphicControlExtension() const { return graphicControl_; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { graphicControl_ = extension; }
    // The transparent colour index of the graphic control extension when the frame is transparent.
    int TransparentIndex() const;

    // The version the frame needs for writing: GIF89a with a sorted local table or any extension.
    int Version() const override;

    // Extensions, local table, pixels and size 0 x 0, not transparent; drops the rendered bitmap.
    void Clear();
    void LoadFromStream(TStream& stream) override;

    // ---- painting (GifPainter.cpp) ---------------------------------------------------------------
    // The frame rendered into an 8-bit device bitmap (made on first need and cached); null when a
    // progress handler aborted the rendering.
    TBitmap* Bitmap();
    bool HasBitmap() const { return bitmap_ != nullptr; }
    // The transparency mask: one bit per pixel (1 = transparent), rows padded to 16 bits, most
    // significant bit first; empty when the frame has no mask.
    const std::vector<uint8_t>& Mask() const { return mask_; }
    size_t MaskRowBytes() const { return (static_cast<size_t>(Width()) + 15) / 16 * 2; }
    bool HasMask() const { return !mask_.empty(); }
    // The palette the frame is rendered with (cached).
    const std::vector<TRGBQuad>& Palette();
    // Drops the rendered bitmap, the mask and the palette (after pixels, size or table change).
    void FreeBitmap();
    // Paints the frame into `rect` of `canvas`: mapped from the logical screen, through the mask
    // when `transparent`, repeated across `rect` when `tile`.
    void Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile);

private:
    friend class TGIFImage;
    void SetSize(int width, int height);
    void RaiseLogicalScreen();
    void LoadImageData(TStream& stream);
    void Render();

    TPixelBytes data_;
    std::unique_ptr<TBitmap> bitmap_;
    std::vector<uint8_t> mask_;
    bool needMask_ = true;
    bool transparent_ = false;
    TGIFGraphicControlExtension* graphicControl_ = nullptr;
    std::vector<TRGBQuad> palette_;
    bool hasPalette_ = false;
};

// The frames of an image.
class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    using TGIFList::TGIFList;
    const char* ClassName() const override { return "TGIFImageList"; }
    // The block loop: reads frames until the trailer, the end of the stream or an unknown block.
    void LoadFromStream(TStream& stream);
};

// ---- extensions ---------------------------------------------------------------------------------

class TGIFExtension;
using TGIFExtensionFactory = std::unique_ptr<TGIFExtension> (*)(TGIFSubImage* frame);

// What a registry hands out for an extension class: how to make one, and which class really reads
// the extension at the stream's position.
struct TGIFExtensionClass {
    const char* Name;
    uint8_t Label;
    TGIFExtensionFactory Create;
    // Given the stream positioned at the label, the class that really reads this extension (the
    // class itself when it needs no other). The stream position is restored by the caller.
    const TGIFExtensionClass* (*Resolve)(TStream& stream);
};

// An extension block; belongs to one frame.
class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* frame);
    const char* ClassName() const override { return "TGIFExtension"; }
    TGIFSubImage* Frame() const { return frame_; }
    int Version() const override { return gv89a; }
    // The byte after the extension introducer.
    virtual uint8_t Label() const = 0;
    // Reads the introducer (0x21, else "Invalid extension introducer") and the label (its own,
    // else "Internal error: Extension Instance does not match Extension Label"), then the body.
    void LoadFromStream(TStream& stream) override;

protected:
    virtual void LoadBody(TStream& stream) = 0;

private:
    TGIFSubImage* frame_;
};

// Disposal methods of the graphic control extension.
enum TDisposalMethod : uint8_t { dmNone = 0, dmNoDisposal = 1, dmBackground = 2, dmPrevious = 3 };

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage* frame);
    ~TGIFGraphicControlExtension() override;
    const char* ClassName() const override { return "TGIFGraphicControlExtension"; }
    static constexpr uint8_t kLabel = 0xF9;
    uint8_t Label() const override { return kLabel; }

    // The 6 bytes of the body exactly as read.
    struct TBody {
        uint8_t BlockSize = 4;
        uint8_t PackedFields = 0;  // bits 2-4 disposal, bit 1 user input, bit 0 transparent colour
        uint16_t DelayTime = 0;
        uint8_t TransparentColorIndex = 0;
        uint8_t Terminator = 0;
    } Body;

    bool Transparent() const { return (Body.PackedFields & 0x01) != 0; }
    int TransparentColorIndex() const { return Body.TransparentColorIndex; }
    int Disposal() const { return (Body.PackedFields >> 2) & 0x07; }
    bool UserInput() const { return (Body.PackedFields & 0x02) != 0; }
    int Delay() const { return Body.DelayTime; }

protected:
    // 6 bytes; fewer give the warning "Premature end of data" and keep what was read.
    void LoadBody(TStream& stream) override;
};

class TGIFTextExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    const char* ClassName() const override { return "TGIFTextExtension"; }
    static constexpr uint8_t kLabel = 0x01;
    uint8_t Label() const override { return kLabel; }

    struct TBody {
        uint8_t BlockSize = 12;
        uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
        uint8_t CellWidth = 0, CellHeight = 0;
        uint8_t TextFGColorIndex = 0, TextBGColorIndex = 0;
    } Body;
    // One line per data sub-block.
    std::vector<std::string> Text;

protected:
    void LoadBody(TStream& stream) override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    const char* ClassName() const override { return "TGIFCommentExtension"; }
    static constexpr uint8_t kLabel = 0xFE;
    uint8_t Label() const override { return kLabel; }

    // One line per data sub-block.
    std::vector<std::string> Text;

protected:
    void LoadBody(TStream& stream) override;
};

// An application extension: the Block Size, the 11-byte identifier (8 bytes) and authentication
// code (3 bytes), then data sub-blocks that a subclass reads.
class TGIFApplicationExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    const char* ClassName() const override { return "TGIFApplicationExtension"; }
    static constexpr uint8_t kLabel = 0xFF;
    uint8_t Label() const override { return kLabel; }

    uint8_t BlockSize = 11;
    std::array<uint8_t, 11> Identifier{};  // identifier and authentication code
    std::string IdentifierText() const { return {Identifier.begin(), Identifier.end()}; }

    // The class that reads the application extension at the stream (positioned at the label).
    static const TGIFExtensionClass* ResolveClass(TStream& stream);

protected:
    void LoadBody(TStream& stream) override;
    // Reads the data sub-blocks after the identifier; the base has no reader of its own.
    virtual void LoadData(TStream& stream);
};

// One raw data sub-block: its bytes (the size byte is their count).
struct TGIFBlock {
    std::vector<uint8_t> Data;
    int Size() const { return static_cast<int>(Data.size()); }
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;
    const char* ClassName() const override { return "TGIFUnknownAppExtension"; }
    std::vector<TGIFBlock> Blocks;

protected:
    // Keeps every sub-block until a size byte of 0 or the end of the stream.
    void LoadData(TStream& stream) override;
};

// The animation loop extension ("NETSCAPE2.0", "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* frame);
    const char* ClassName() const override { return "TGIFAppExtNSLoop"; }
    uint16_t Loops = 0;
    uint32_t BufferSize = 0;  // 0: none

protected:
    void LoadData(TStream& stream) override;
};

// ---- registries ---------------------------------------------------------------------------------

// Extension label -> class, searched from its last entry.
class TExtensionList {
public:
    static TExtensionList& Instance();
    void Add(const TGIFExtensionClass* extensionClass) { classes_.push_back(extensionClass); }
    const TGIFExtensionClass* Find(uint8_t label) const;

private:
    std::vector<const TGIFExtensionClass*> classes_;
};

// Application identifier (all 11 bytes) -> class.
class TAppExtensionList {
public:
    static TAppExtensionList& Instance();
    void Add(const std::array<uint8_t, 11>& identifier, const TGIFExtensionClass* extensionClass) {
        entries_.push_back({identifier, extensionClass});
    }
    const TGIFExtensionClass* Find(const std::array<uint8_t, 11>& identifier) const;

private:
    struct Entry {
        std::array<uint8_t, 11> Identifier;
        const TGIFExtensionClass* Class;
    };
    std::vector<Entry> entries_;
};

// The class descriptions of the extension classes.
extern const TGIFExtensionClass GIFGraphicControlExtensionClass;
extern const TGIFExtensionClass GIFTextExtensionClass;
extern const TGIFExtensionClass GIFCommentExtensionClass;
extern const TGIFExtensionClass GIFApplicationExtensionClass;
extern const TGIFExtensionClass GIFUnknownAppExtensionClass;
extern const TGIFExtensionClass GIFAppExtNSLoopClass;

// ---- the picture --------------------------------------------------------------------------------

class TGIFImage : public TGraphic {
public:
    using TWarningEvent = std::function<void(TGIFImage* sender, uint8_t severity, const std::string& message)>;
    using TProgressEvent = std::function<void(TGIFImage* sender, TProgressStage stage, int percent,
                                              const std::string& message)>;
    // How an image is saved and how it takes a device bitmap: installed by the writer.
    using TSaveFunc = void (*)(TGIFImage& image, TStream& stream);
    using TAssignBitmapFunc = void (*)(TGIFImage& image, TBitmap& bitmap);

    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;
    const char* ClassName() const override { return "TGIFImage"; }

    TGIFHeader Header;
    TGIFImageList Images;

    // The logical screen's size.
    int32_t Width() override { return Header.Width(); }
    int32_t Height() override { return Header.Height(); }
    void SetWidth(int32_t width) override;
    void SetHeight(int32_t height) override;
    // No frames.
    bool Empty() override { return Images.Count() == 0; }

    uint16_t PaintOptions;
    uint8_t ReductionMethod;
    uint32_t ReductionBits;
    uint8_t DitherMode;
    uint8_t WriteCompression;
    int PainterPriority;
    int AnimationSpeed;
    uint32_t PaintBackground;

    TWarningEvent OnWarning;
    TProgressEvent OnProgress;

    // Stops painters, drops the cached bitmap and palette, deletes all frames, clears the global
    // table and sets the logical screen to 0 x 0.
    void Clear();
    void LoadFromStream(TStream& stream) override;
    // Through the installed writer (GIFException when none is installed).
    void SaveToStream(TStream& stream) override;
    // A device bitmap goes through the installed writer; anything else is the conversion error.
    void Assign(TPersistent* source) override;

    // Paints the first frame into `rect` (transparent, tiled per PaintOptions).
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // The image's palette (cached): the 216-colour palette when dithering applies, else the
    // global table's, else the first frame's; "No global or local color table defined" when
    // there is none.
    const std::vector<TRGBQuad>& Palette();
    // Whether frames render dithered to the 216-colour palette.
    bool DitherApplies() const;
    // Drops the cached palette and every frame's rendered bitmap.
    void PaletteModified();

    void Warning(TGIFItem* sender, uint8_t severity, const std::string& message);
    void Progress(TProgressStage stage, int percent, const std::string& message);

    static void SetWriter(TSaveFunc save, TAssignBitmapFunc assignBitmap);

private:
    friend class TGIFSubImage;
    std::vector<TRGBQuad> palette_;
    bool hasPalette_ = false;
    bool drawing_ = false;
    bool paletteLookup_ = false;
};

// Registers TGIFImage with TPicture as "GIF" ("GIF Image"), registers the "GIF Image" clipboard
// format and makes the display check (bitsPerPixel x planes of the screen; 8 or fewer sets
// PaletteDisplay). The registrations are made once; the display check each time. Returns the
// clipboard format's number.
unsigned RegisterGIFFormat(int displayBitsPerPixel = 32);
// The "GIF Image" clipboard format's number (0 before registration).
unsigned CF_GIF();

}  // namespace nox
