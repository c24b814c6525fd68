// The octree colour quantiser.
#include "formats/gif/ColorQuantizer.h"

#include <algorithm>

namespace nox {

namespace {
constexpr int kDepth = 8;  // colour depth: one tree level per bit of a channel
}

TColorQuantizer::TColorQuantizer(int limit) : limit_(std::max(limit, 1)) {
    reducible_.fill(-1);
    // The tree never holds more than limit + 1 leaves and their ancestors, so this bounds it.
    nodes_.reserve(static_cast<size_t>(limit_ + 1) * (kDepth + 1) + 1);
    root_ = NewNode(0);
}

int32_t TColorQuantizer::NewNode(int level) {
    int32_t id;
    if (!free_.empty()) {
        id = free_.back();
        free_.pop_back();
        nodes_[static_cast<size_t>(id)] = TOctreeNode{};
    } else {
        id = static_cast<int32_t>(nodes_.size());
        nodes_.push_back(TOctreeNode{});
    }
    TOctreeNode& node = nodes_[static_cast<size_t>(id)];
    node.Child.fill(-1);
    if (level == kDepth) {
        node.Leaf = true;
        ++leafCount_;
    } else {
        node.NextReducible = reducible_[static_cast<size_t>(level)];
        reducible_[static_cast<size_t>(level)] = id;
    }
    return id;
}

void TColorQuantizer::FreeNode(int32_t node) { free_.push_back(node); }

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    int32_t node = root_;
    for (int level = 0; level < kDepth && !nodes_[static_cast<size_t>(node)].Leaf; ++level) {
        const int shift = 7 - level;
        const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        int32_t next = nodes_[static_cast<size_t>(node)].Child[static_cast<size_t>(child)];
        if (next < 0) {
            next = NewNode(level + 1);
            nodes_[static_cast<size_t>(node)].Child[static_cast<size_t>(child)] = next;
        }
        node = next;
    }
    TOctreeNode& leaf = nodes_[static_cast<size_t>(node)];
    ++leaf.PixelCount;
    leaf.RedSum += red;
    leaf.GreenSum += green;
    leaf.BlueSum += blue;
    while (leafCount_ > limit_) ReduceOne();
}

void TColorQuantizer::AddRow(const uint8_t* pixels, int pixelBytes, int32_t width) {
    for (int32_t x = 0; x < width; ++x, pixels += pixelBytes) AddColor(pixels[2], pixels[1], pixels[0]);
}

void TColorQuantizer::ReduceOne() {
    int level = kDepth - 1;
    while (level > 0 && reducible_[static_cast<size_t>(level)] < 0) --level;
    const int32_t id = reducible_[static_cast<size_t>(level)];
    if (id < 0) {  // nothing left to fold (only possible with a limit below 1)
        leafCount_ = limit_;
        return;
    }
    TOctreeNode& node = nodes_[static_cast<size_t>(id)];
    reducible_[static_cast<size_t>(level)] = node.NextReducible;
    node.NextReducible = -1;
    // The deepest non-empty level has been chosen, so every child is a leaf.
    int children = 0;
    for (int32_t& c : node.Child) {
        if (c < 0) continue;
        const TOctreeNode& child = nodes_[static_cast<size_t>(c)];
        node.PixelCount += child.PixelCount;
        node.RedSum += child.RedSum;
        node.GreenSum += child.GreenSum;
        node.BlueSum += child.BlueSum;
        FreeNode(c);
        c = -1;
        ++children;
    }
    node.Leaf = true;
    leafCount_ += 1 - children;
}

void TColorQuantizer::Collect(int32_t id, TPaletteEntries& out) const {
    const TOctreeNode& node = nodes_[static_cast<size_t>(id)];
    if (node.Leaf) {
        if (node.PixelCount == 0) {
            out.push_back(RGBQuad(0, 0, 0));
        } else {
            out.push_back(RGBQuad(static_cast<uint8_t>(node.RedSum / node.PixelCount),
                                  static_cast<uint8_t>(node.GreenSum / node.PixelCount),
                                  static_cast<uint8_t>(node.BlueSum / node.PixelCount)));
        }
        return;
    }
    for (int32_t c : node.Child)
        if (c >= 0) Collect(c, out);
}

TPaletteEntries TColorQuantizer::Palette() const {
    TPaletteEntries out;
    Collect(root_, out);
    return out;
}

}  // namespace nox
