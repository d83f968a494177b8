#include "ui/layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTextDocument>

#include "calc/design.h"
#include "calc/solver.h"

namespace sondrel::ui {
namespace {

using K = ControlKind;

QWidget* CreateControl(const ControlLayout& control, QWidget* client) {
    const QString text = QString::fromUtf8(control.text);
    QWidget* widget = nullptr;
    if (control.kind == K::Button) {
        widget = new QPushButton(text, client);
    } else if (control.kind == K::TextBox) {
        widget = new QLineEdit(text, client);
    } else if (control.kind == K::Label) {  // takes no focus, as a QLabel does not
        widget = new QLabel(text, client);
    } else {
        auto* box = new QPlainTextEdit(text, client);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setTabChangesFocus(true);
        widget = box;
    }
    widget->setObjectName(QString::fromUtf8(control.name));
    if (control.kind != K::Label && !control.names.empty()) {
        widget->setAccessibleName(QString::fromUtf8(control.names));
    }
    widget->setVisible(control.visible);
    return widget;
}

}  // namespace

// Main window, client area 5595 x 3900 twips. Rows in designed order; the input boxes'
// defaults and their labels are the calculator's.
const WindowLayout& MainWindowLayout() {
    static const InputTexts defaults;
    static const ControlLayout controls[] = {
        {"initialize_button", K::Button, "Initialize", 1800, 2640, 735, 315, 12, false},
        {"hi_volts_box", K::TextBox, defaults.hi_volts, 360, 2400, 855, 285, 6},
        {"lo_volts_box", K::TextBox, defaults.lo_volts, 360, 1920, 855, 285, 5},
        {"hi_baro_box", K::TextBox, defaults.hi_baro, 360, 1440, 855, 285, 4},
        {"lo_baro_box", K::TextBox, defaults.lo_baro, 360, 960, 855, 285, 3},
        {"elevation_box", K::TextBox, defaults.elevation, 360, 480, 855, 285, 2},
        {"calculate_button", K::Button, "Calculate", 2040, 3480, 975, 255, 1},
        {"results_box", K::MultiLineTextBox, "", 2640, 240, 2775, 3135, 0, true, "Results"},
        {"hi_volts_label", K::Label, kHiVoltsBox, 1440, 2400, 615, 255, 11, true, "hi_volts_box"},
        {"lo_volts_label", K::Label, kLoVoltsBox, 1440, 1920, 735, 255, 10, true, "lo_volts_box"},
        {"hi_baro_label", K::Label, kHiBaroBox, 1440, 1440, 1095, 255, 9, true, "hi_baro_box"},
        {"lo_baro_label", K::Label, kLoBaroBox, 1440, 960, 975, 255, 8, true, "lo_baro_box"},
        {"elevation_label", K::Label, kElevationBox, 1440, 480, 975, 255, 7, true, "elevation_box"},
    };
    static const WindowLayout form{"Sondrel", 5595, 3900, controls};
    return form;
}

// Report header dialog, client area 4680 x 3195 twips.
const WindowLayout& ReportHeaderDialogLayout() {
    static constexpr ControlLayout controls[] = {
        {"header_box", K::MultiLineTextBox, "Report Header", 600, 240, 3615, 2415, 0, true,
         "Report header"},
        {"done_button", K::Button, "Done", 1800, 2880, 975, 255, 1},
    };
    static const WindowLayout form{"Report Header", 4680, 3195, controls};
    return form;
}

void BuildControls(const WindowLayout& form, QWidget* client) {
    client->window()->setWindowTitle(QString::fromUtf8(form.caption));
    std::vector<QWidget*> by_tab(form.controls.size());  // tab indexes run from 0
    for (const ControlLayout& control : form.controls) {
        QWidget* widget = CreateControl(control, client);
        by_tab[control.tab] = control.kind == K::Label ? nullptr : widget;
    }
    // A label's buddy takes its text as accessible name; with no "&" in the text there is no
    // access key.
    for (const ControlLayout& control : form.controls) {
        if (control.kind == K::Label && !control.names.empty()) {
            Control<QLabel>(*client, control.name)
                ->setBuddy(Control<QWidget>(*client, control.names));
        }
    }
    std::erase(by_tab, nullptr);
    for (std::size_t i = 1; i < by_tab.size(); ++i) {
        QWidget::setTabOrder(by_tab[i - 1], by_tab[i]);
    }
}

QSize PlaceControls(const WindowLayout& form, QWidget* client, double twips_per_pixel) {
    // The one place twips become logical pixels: rounded to the nearest, halves away from zero.
    const auto pixels = [twips_per_pixel](int twips) {
        return static_cast<int>(std::lround(twips / twips_per_pixel));
    };
    for (const ControlLayout& control : form.controls) {
        Control<QWidget>(*client, control.name)
            ->setGeometry(pixels(control.left), pixels(control.top), pixels(control.width),
                          pixels(control.height));
    }
    return QSize(pixels(form.client_width), pixels(form.client_height));
}

double FittingTwipsPerPixel(const QWidget& client) {
    double fitting = 15;  // as designed; Qt scales logical pixels on high-DPI screens
    const auto fit = [&fitting](int twips, double pixels) {
        if (pixels > 0) {
            fitting = std::min(fitting, twips / pixels);
        }
    };
    for (const ControlLayout& control : MainWindowLayout().controls) {
        if (control.kind == K::Label) {
            fit(control.width, Control<QLabel>(client, control.name)->sizeHint().width());
        } else if (control.name == "results_box") {
            // The widest result line, wrapped by the box at its viewport's width less the
            // document's margins, with room for the cursor at its end.
            const auto* box = Control<QPlainTextEdit>(client, control.name);
            const QFontMetricsF metrics(box->document()->defaultFont());
            const ResultLines widest{WrittenLines::AllFour, -1851, -1851, -3.792, -4.249};
            double text_width = 0;
            for (const QString& line :
                 QString::fromStdString(FormatResultLines(widest)).split(QStringLiteral("\r\n"))) {
                text_width = std::max(text_width, metrics.horizontalAdvance(line));
            }
            fit(control.width, std::ceil(text_width) + 2 * box->document()->documentMargin() +
                                   2 * box->frameWidth() + box->cursorWidth());
        }
    }
    return fitting;
}

}  // namespace sondrel::ui
