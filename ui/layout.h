#pragma once
// The designed layout of both windows: each control's kind, designed text, place in twips and
// tab index, in one table per window, and the conversion from twips to logical pixels.

#include <cstddef>
#include <span>
#include <string_view>

#include <QSize>

class QWidget;

namespace sondrel::ui {

// Twips are 1/1440 inch: the design counts 15 to a logical pixel (96 dots per inch). With a
// font larger than the design's, fewer twips make a pixel, so that the texts fit; Qt scales
// logical pixels on high-DPI screens.
inline constexpr double kDesignTwipsPerPixel = 15;

enum class ControlKind { Button, TextBox, MultiLineTextBox, Label };

struct ControlLayout {
    std::string_view name;  // also the widget's objectName
    ControlKind kind;
    std::string_view text;         // designed text
    int left, top, width, height;  // twips, from the client area's top-left corner
    std::size_t tab;               // tab index, 0 first
    bool visible = true;
    // A label names the box it stands beside (its buddy, and so the box's accessible name);
    // any other control may carry its accessible name here.
    std::string_view names = {};
};

struct WindowLayout {
    std::string_view caption;
    int client_width, client_height;  // twips
    std::span<const ControlLayout> controls;
};

const WindowLayout& MainWindowLayout();          // the main window
const WindowLayout& ReportHeaderDialogLayout();  // the report header dialog

// Creates every control of `form` as a child of `client`, with its objectName, designed text,
// accessible name and visibility, ties each label to its box, and sets the tab order from the
// tab indexes; the window gets the form's caption. Labels take no focus.
void BuildControls(const WindowLayout& form, QWidget* client);

// The twips per pixel for the main window's controls built in `client` with their fonts:
// the largest, up to the design's 15, at which every label's text fits its designed width and
// the longest result line fits one line of the results box. Both windows use it throughout,
// so the layout keeps its designed proportions.
double FittingTwipsPerPixel(const QWidget& client);

// Puts the controls of `form` built in `client` at their designed places at `twips_per_pixel`;
// returns the size of the client area there.
QSize PlaceControls(const WindowLayout& form, QWidget* client, double twips_per_pixel);

}  // namespace sondrel::ui
