#include "ui/layout.h"

#include <algorithm>
#include <array>
#include <vector>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace sondrel::ui {
namespace {

using K = ControlKind;

// Main window, client area 5595 x 3900 twips. Rows in designed order.
constexpr std::array kForm1Controls = {
    ControlLayout{"Command2", K::Button, "Initialize", 1800, 2640, 735, 315, 12, false},
    ControlLayout{"Text6", K::TextBox, "8.25", 360, 2400, 855, 285, 6},
    ControlLayout{"Text5", K::TextBox, "1.25", 360, 1920, 855, 285, 5},
    ControlLayout{"Text4", K::TextBox, "31", 360, 1440, 855, 285, 4},
    ControlLayout{"Text3", K::TextBox, "28", 360, 960, 855, 285, 3},
    ControlLayout{"Text2", K::TextBox, "0", 360, 480, 855, 285, 2},
    ControlLayout{"Command1", K::Button, "Calculate", 2040, 3480, 975, 255, 1},
    ControlLayout{"Text1", K::MultiLineTextBox, "", 2640, 240, 2775, 3135, 0},
    ControlLayout{"Label5", K::Label, "HiVolt", 1440, 2400, 615, 255, 11},
    ControlLayout{"Label4", K::Label, "LoVolt", 1440, 1920, 735, 255, 10},
    ControlLayout{"Label3", K::Label, "HiBaro, inHg", 1440, 1440, 1095, 255, 9},
    ControlLayout{"Label2", K::Label, "LoBaro, inHg", 1440, 960, 975, 255, 8},
    ControlLayout{"Label1", K::Label, "Elevation, ft", 1440, 480, 975, 255, 7},
};

// Report header dialog, client area 4680 x 3195 twips.
constexpr std::array kForm2Controls = {
    ControlLayout{"Text1", K::MultiLineTextBox, "Report Header", 600, 240, 3615, 2415, 0},
    ControlLayout{"Command1", K::Button, "Done", 1800, 2880, 975, 255, 1},
};

const FormLayout kForm1{"Sondrel", 5595, 3900, kForm1Controls};
const FormLayout kForm2{"Report Header", 4680, 3195, kForm2Controls};

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* CreateControl(const ControlLayout& control, QWidget* client) {
    const QString text = ToQString(control.text);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case K::Button:
            widget = new QPushButton(text, client);
            break;
        case K::TextBox:
            widget = new QLineEdit(text, client);
            break;
        case K::MultiLineTextBox: {
            auto* box = new QPlainTextEdit(text, client);
            box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            box->setTabChangesFocus(true);
            widget = box;
            break;
        }
        case K::Label: {
            auto* label = new QLabel(text, client);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
    }
    widget->setObjectName(ToQString(control.name));
    widget->setGeometry(TwipsToPixels(control));
    widget->setVisible(control.visible);
    return widget;
}

}  // namespace

const FormLayout& Form1Layout() {
    return kForm1;
}
const FormLayout& Form2Layout() {
    return kForm2;
}

int TwipsToPixels(int twips) {
    // Round half away from zero; every designed value is a whole number of pixels anyway.
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

QRect TwipsToPixels(const ControlLayout& control) {
    return QRect(TwipsToPixels(control.left), TwipsToPixels(control.top),
                 TwipsToPixels(control.width), TwipsToPixels(control.height));
}

QSize ClientSizeInPixels(const FormLayout& form) {
    return QSize(TwipsToPixels(form.client_width), TwipsToPixels(form.client_height));
}

namespace {

// How wide a label may grow: up to the next visible control to its right on the same row.
int LabelWidthLimit(const FormLayout& form, const ControlLayout& label) {
    const QRect own = TwipsToPixels(label);
    int limit = ClientSizeInPixels(form).width() - own.left();
    for (const ControlLayout& other : form.controls) {
        const QRect place = TwipsToPixels(other);
        const bool same_row = place.top() <= own.bottom() && own.top() <= place.bottom();
        if (other.visible && &other != &label && same_row && place.left() >= own.right()) {
            limit = std::min(limit, place.left() - own.left());
        }
    }
    return limit;
}

}  // namespace

void BuildControls(const FormLayout& form, QWidget* client) {
    std::vector<std::pair<int, QWidget*>> by_tab;
    by_tab.reserve(form.controls.size());
    for (const ControlLayout& control : form.controls) {
        QWidget* widget = CreateControl(control, client);
        if (control.kind == K::Label) {
            // The design's font was narrower than most today: a label grows to show its whole
            // text where there is room, up to the next control on its row.
            const int wanted = std::min(widget->sizeHint().width(), LabelWidthLimit(form, control));
            if (wanted > widget->width()) {
                widget->resize(wanted, widget->height());
            }
        } else {
            by_tab.emplace_back(control.tab, widget);
        }
    }
    std::sort(by_tab.begin(), by_tab.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < by_tab.size(); ++i) {
        QWidget::setTabOrder(by_tab[i - 1].second, by_tab[i].second);
    }
}

}  // namespace sondrel::ui
