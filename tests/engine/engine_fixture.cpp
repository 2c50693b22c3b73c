#include "engine_fixture.h"

#include "fast_interlace.h"

namespace veltrane {

Calibration calibrationOf(const LensGeometry& lens)
{
    return {lens.slantX, lens.slantY, lens.pitch, lens.mirror, lens.lineShift,
            lens.panelBgr ? ChannelOrder::Bgr : ChannelOrder::Rgb};
}

EngineOptions optionsOf(const LensGeometry& lens, const MaskAllocator& allocator)
{
    EngineOptions options;
    options.sourceOrder = lens.subpixelOrder ? ChannelOrder::Rgb : ChannelOrder::Bgr;
    options.threads = lens.threads;
    options.allocator = allocator;
    return options;
}

Status addOneView(const LensGeometry& lens, int view, const unsigned char* source, unsigned char* output)
{
    return addViewsFast(lens, &view, &source, 1, output);
}

} // namespace veltrane

void EngineTest::geometry(int width, int height, double pitch, int views, int slantX, int slantY, int mirror)
{
    lens = LensGeometry();
    lens.width = width;
    lens.height = height;
    lens.pitch = pitch;
    lens.viewCount = views;
    lens.slantX = slantX;
    lens.slantY = slantY;
    lens.mirror = mirror != 0;
}

void EngineTest::buildMasks()
{
    masks = std::make_unique<ViewMasks>(lens);
    ASSERT_EQ(masks->allocate(), veltrane::Status::Done);
    masks->generate();
}

std::string describeRow(const unsigned char* mask, int row, int stride)
{
    std::string text;
    for (int j = 0; j < stride; ++j) {
        const int value = mask[static_cast<std::size_t>(row) * stride + j];
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
    for (int y = 0; y < lens.height; ++y)
        rows.push_back(describeRow(masks->mask(view), y, masks->slant().maskStride));
    return rows;
}
