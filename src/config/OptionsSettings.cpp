#include "config/OptionsSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <cmath>
#include <stdexcept>

#include "config/ColourSwatch.h"
#include "config/OptionsPages.h"
#include "settings/ColourValue.h"
#include "settings/NumericText.h"

namespace pictavo {

namespace {

constexpr auto NonZero = FlagRule::NonZeroIsOn;

// One entry per value: its key, its name, the control that shows it, and how.
// clang-format off
const OptionSetting kSettings[] = {
    {"Options", "Overlay", "chkOverlay", Kind::Flag},
    {"Options", "SaveOverlay", "chkSaveOverlay", Kind::Flag},
    {"Options", "WarnDelay", "chkWarnDelay", Kind::Flag},
    {"Options", "WarnDelayAmount", "txtWarnDelay", Kind::Text},
    {"Options", "SaveMsgBox", "chkSaveMsgBox", Kind::Flag},
    {"Options", "Counter", "chkCounter", Kind::Flag},
    {"Options", "Clipboard", "chkClipBoard", Kind::Flag},
    {"Options", "Preview", "chkPreview", Kind::Flag},
    {"Options", "PreviewSave", "chkPreviewSave", Kind::Flag},
    {"Options", "MenuIcons", "chkMenu", Kind::Flag},
    {"Options", "Delete", "chkDelete", Kind::Flag},
    {"Options", "FileName", "txtFilename", Kind::Text},
    {"Options", "FileType", "comFiletype", Kind::Choice},
    {"Options", "FileNameLen", "FileName", Kind::Length},
    {"Options", "FileTypeLen", "FileType", Kind::Length},
    {"Options", "TimeDelay", "txtTimeDelay", Kind::Text},
    {"Options", "Quality", "txtQuality", Kind::Text},
    {"Options", "SaveDir", "txtSaveDir", Kind::Text},
    {"Options", "SaveDirLen", "SaveDir", Kind::Length},
    {"Overlay", "Font", "fraLook", Kind::FontName},
    {"Overlay", "FontBold", "optBold", Kind::Flag, NonZero},
    {"Overlay", "FontItalic", "optItalic", Kind::Flag, NonZero},
    {"Overlay", "FontSize", "fraLook", Kind::FontSize},
    {"Overlay", "FontStrikethru", "optStrikethru", Kind::Flag},
    {"Overlay", "FontUnderline", "optUnderline", Kind::Flag},
    {"Overlay", "ForeColour", "shpTextColour", Kind::Colour},
    {"Overlay", "BackColour", "shpBackColour", Kind::Colour},
    {"Overlay", "Text", "txtText", Kind::Text},
    {"Countdown", "Font", "fraLookC", Kind::FontName},
    {"Countdown", "FontBold", "chkBoldC", Kind::Flag},
    {"Countdown", "FontItalic", "chkItalicC", Kind::Flag},
    {"Countdown", "FontSize", "fraLookC", Kind::FontSize},
    {"Countdown", "FontStrikethru", "chkStrikethruC", Kind::Flag},
    {"Countdown", "FontUnderline", "chkUnderlineC", Kind::Flag},
    {"Countdown", "ForeColor", "shpTextColorC", Kind::Colour},
    {"Countdown", "BackColor", "shpBackColorC", Kind::Colour},
    {"Countdown", "Shadow", "shpShadowC", Kind::Colour},
    {"Options", "Webcam", "chkWebcam", Kind::Flag},
    {"Overlay", "Position", "optPosition", Kind::Position},
};
// clang-format on

const QString kMissing = QStringLiteral("Error");  // what the store answers for a missing value

template <class Control>
Control* control(const QWidget& window, const OptionSetting& s) {
    auto* c = window.findChild<Control*>(QLatin1String(s.control));
    if (c == nullptr) {
        throw std::logic_error(std::string("the options window has no control ") + s.control);
    }
    return c;
}

bool isOn(const QString& text, FlagRule rule) {
    if (rule == FlagRule::OneIsOn) {
        return flagIsOn(text);
    }
    const std::optional<double> v = numberFromText(text);
    return v && *v != 0.0;
}

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// A button's number from a stored text: a whole number from 1 to 9, else 9.
int position(const QString& text) {
    const std::optional<double> p = numberFromText(text);
    const bool valid = p && *p >= 1 && *p <= 9 && std::floor(*p) == *p;
    return valid ? static_cast<int>(*p) : 9;
}

void show(const QWidget& window, const OptionSetting& s, const QString& text,
          const SettingLookup& lookup) {
    const QString subKey = QLatin1String(s.subKey);
    switch (s.kind) {
        case Kind::Flag:
            control<QCheckBox>(window, s)->setChecked(isOn(text, s.rule));
            return;
        case Kind::Text:
            control<QLineEdit>(window, s)->setText(text);
            return;
        case Kind::Choice: {
            auto* list = control<QComboBox>(window, s);
            list->setCurrentIndex(list->findText(text.toUpper()));
            return;
        }
        case Kind::Position:
            control<QButtonGroup>(window, s)->button(position(text))->setChecked(true);
            return;
        case Kind::Colour:
            control<ColourSwatch>(window, s)->setColour(
                colourFromValue(colourSetting(lookup, subKey, QLatin1String(s.name))));
            return;
        case Kind::FontName:
        case Kind::FontSize:
            control<TextLook>(window, s)->setFace(
                fontSetting(lookup, subKey, FontFlags::all(FlagRule::OneIsOn)));
            return;
        case Kind::Length:
            return;
    }
}

QString shownText(const QWidget& window, const OptionSetting& s) {
    switch (s.kind) {
        case Kind::Flag:
            return flagText(control<QCheckBox>(window, s)->checkState() != Qt::Unchecked);
        case Kind::Text:
            return control<QLineEdit>(window, s)->text();
        case Kind::Choice:
            return control<QComboBox>(window, s)->currentText().toLower();
        case Kind::Position:
            return QString::number(control<QButtonGroup>(window, s)->checkedId());
        case Kind::Colour: {
            const QColor c = control<ColourSwatch>(window, s)->colour();
            return QString::number(c.red() | (c.green() << 8) | (c.blue() << 16));
        }
        case Kind::FontName:
            return control<TextLook>(window, s)->lookFont().family();
        case Kind::FontSize:
            return QString::number(control<TextLook>(window, s)->lookFont().pointSizeF());
        case Kind::Length:
            break;
    }
    return QString();  // a length: worked out from what is written with it
}

// Hidden by its page, not merely by a page that is not shown.
bool isPutAway(const QWidget& window, const OptionSetting& s) {
    const auto* w = window.findChild<const QWidget*>(QLatin1String(s.control));
    return w != nullptr && w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

}  // namespace

std::span<const OptionSetting> optionSettings() {
    return kSettings;
}

void showSettings(QWidget& window, const std::vector<Written>& stored) {
    const SettingLookup lookup = [&stored](const QString& subKey, const QString& name) {
        for (const Written& v : stored) {
            if (v.subKey == subKey && v.name == name) {
                return v.text;
            }
        }
        return QString();
    };
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        show(window, kSettings[i], stored[i].text, lookup);
    }
}

std::vector<Written> controlTexts(const QWidget& window) {
    std::vector<Written> texts;
    for (const OptionSetting& s : kSettings) {
        texts.push_back({QLatin1String(s.subKey), QLatin1String(s.name), shownText(window, s)});
    }
    return texts;
}

std::vector<Written> textsToWrite(const QWidget& window, const std::vector<Written>& stored,
                                  const std::vector<Written>& atLoad) {
    std::vector<Written> out = controlTexts(window);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool unchanged = out[i].text == atLoad[i].text || isPutAway(window, kSettings[i]);
        if (unchanged && stored[i].text != kMissing) {
            out[i].text = stored[i].text;
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (kSettings[i].kind != Kind::Length) {
            continue;
        }
        for (const Written& v : out) {
            if (v.subKey == out[i].subKey && v.name == QLatin1String(kSettings[i].control)) {
                out[i].text = QString::number(v.text.size());
            }
        }
    }
    return out;
}

}  // namespace pictavo
