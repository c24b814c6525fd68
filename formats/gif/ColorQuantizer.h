// The octree colour quantiser: finds a palette of at most a given number of colours for a picture
// by inserting every pixel into an 8-level colour tree and folding the most recently created
// deepest node whenever there are more leaves than colours.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "formats/gif/ColorLookup.h"

namespace nox {

class TColorQuantizer {
public:
    // `limit` is the largest number of colours (at least 1).
    explicit TColorQuantizer(int limit);

    // Inserts one pixel and folds nodes until the leaves fit the limit.
    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    // Inserts `width` blue-green-red pixels of `pixelBytes` bytes each, left to right.
    void AddRow(const uint8_t* pixels, int pixelBytes, int32_t width);

    int LeafCount() const { return leafCount_; }
    // The leaves' average colours, depth first with children in order 0 to 7.
    TPaletteEntries Palette() const;

private:
    // A node of the tree; children and list links are indices into nodes_ (-1 = none).
    struct TOctreeNode {
        std::array<int32_t, 8> Child;
        int32_t NextReducible = -1;
        bool Leaf = false;
        uint32_t PixelCount = 0;
        uint64_t RedSum = 0, GreenSum = 0, BlueSum = 0;
    };

    int32_t NewNode(int level);
    void FreeNode(int32_t node);
    void ReduceOne();
    void Collect(int32_t node, TPaletteEntries& out) const;

    int limit_;
    int leafCount_ = 0;
    std::vector<TOctreeNode> nodes_;
    std::vector<int32_t> free_;          // released node slots, reused before the vector grows
    std::array<int32_t, 8> reducible_;   // per level 0-7, the most recently created node first
    int32_t root_;
};

}  // namespace nox
