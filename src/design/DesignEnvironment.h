#pragma once

#include <QObject>

class QPalette;

namespace mv {

enum class ColorScheme { light, dark };

// The three accessibility and appearance settings that every glass view reads. Qt has no API
// for reduce transparency or reduce motion, so one object carries them, is handed to each view,
// and tells the views when a value changes. Read from the desktop where it can be; tests set
// the values directly.
class DesignEnvironment final : public QObject {
    Q_OBJECT
public:
    explicit DesignEnvironment(QObject* parent = nullptr);

    // The colour scheme from the palette's window colour; reduce motion from the desktop's
    // "enable animations" switch (GTK settings file) when there is one. Reduce transparency has
    // no desktop source and starts off.
    static ColorScheme colorSchemeFromPalette(const QPalette& palette);
    void readFromDesktop();

    bool reduceTransparency() const { return m_reduceTransparency; }
    bool reduceMotion() const { return m_reduceMotion; }
    ColorScheme colorScheme() const { return m_colorScheme; }
    bool isDark() const { return m_colorScheme == ColorScheme::dark; }

    void setReduceTransparency(bool reduce);
    void setReduceMotion(bool reduce);
    void setColorScheme(ColorScheme scheme);

Q_SIGNALS:
    void changed();

private:
    bool m_reduceTransparency = false;
    bool m_reduceMotion = false;
    ColorScheme m_colorScheme = ColorScheme::light;
};

// The view's environment, or the defaults should the view outlive it.
const DesignEnvironment& environmentOrDefault(const DesignEnvironment* environment);

} // namespace mv
