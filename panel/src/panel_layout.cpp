#include "veltrane/panel/panel_layout.h"

namespace veltrane {

namespace {

PanelRect barButton(int left, int right, int barHeight)
{
    return PanelRect{left, 0, right, barHeight - 1};
}

} // namespace

void computePanelLayout(CalibrationState& state)
{
    PanelLayout& layout = state.layout;
    const int w = state.width;
    const int h = state.height;

    layout.unit = panelBarHeight(w);
    layout.barHeight = (layout.unit * 100) / 100;
    layout.barBottom = layout.barHeight - 1;
    layout.buttonWidth = (149 * layout.unit) / 100;
    layout.fontScale = layout.unit / 100.0;

    const int bw = layout.buttonWidth;
    const int bar = layout.barHeight;
    layout.slantButton = barButton(0, bw, bar);
    layout.pitchButton = barButton(bw + 1, 2 * bw + 1, bar);
    layout.forwardButton = barButton(2 * bw + 2, 3 * bw + 2, bar);
    layout.reverseButton = barButton(3 * bw + 3, 4 * bw + 3, bar);
    layout.quitButton = barButton(w - 1 - bw, w - 1, bar);
    layout.dragArea = PanelRect{0, bar, w - 1, h - bar - 1};

    layout.digitRows.left = 0;
    layout.digitRows.right = w - 1;
    layout.digitRows.edges[0] = bar;
    for (int k = 1; k <= DigitCount; ++k)
        layout.digitRows.edges[k] = (k * (h - 2 * bar)) / 5 + bar;
}

int panelBarHeight(int width)
{
    const int q = (width * 200) / 1000;
    return (q >> 1) + (q & 1);
}

bool rectContains(const PanelRect& rect, int x, int y)
{
    return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

} // namespace veltrane
