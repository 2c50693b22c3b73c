#include "support/engine_fixture.h"

#include "engine/view_masks.h"

void EngineTest::geometry(int width, int height, double pitch, int views, int slantX, int slantY, int mirror)
{
    state.width = width;
    state.height = height;
    state.pitch = pitch;
    state.viewCount = views;
    state.slantX = slantX;
    state.slantY = slantY;
    state.mirror = mirror;
}

void EngineTest::buildMasks()
{
    ASSERT_EQ(allocateViewMasks(), 0);
    generateViewMasks();
}

std::string describeRow(const unsigned char* mask, int row)
{
    std::string text;
    for (int j = 0; j < state.maskStride; ++j) {
        const int value = mask[static_cast<std::size_t>(row) * state.maskStride + j];
        if (value == 0)
            continue;
        if (!text.empty())
            text += ' ';
        text += std::to_string(j) + "=" + std::to_string(value);
    }
    return text;
}

std::vector<std::string> EngineTest::describeMask(int view) const
{
    std::vector<std::string> rows;
    for (int y = 0; y < state.height; ++y)
        rows.push_back(describeRow(state.viewMasks[view], y));
    return rows;
}
