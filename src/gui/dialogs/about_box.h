#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <QtGlobal>

#include <stdexcept>

class QLabel;
class QPushButton;

namespace corvane {

class Desktop;

// The title font: 宋体 at 10.5 points where it exists, else a Chinese font
// that does.
QFont AboutTitleFont();

// A registry value that exists but holds no data at all.
class EmptyRegistryValue final : public std::runtime_error {
public:
    EmptyRegistryValue() : std::runtime_error("registry value without data") {}
};

// The About box: title, version, description, a disclaimer, OK and a button
// that starts the system-information viewer.
class AboutBox final : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(Desktop &desktop);
    ~AboutBox() override;
    Q_DISABLE_COPY_MOVE(AboutBox)

    // Sets the version label: "版本 " and the version numbers.
    void showVersion();
    // "确定", Enter and Esc.
    void closeBox();

    // Finds the system-information viewer through the registry, or else the
    // desktop's own system-information program on PATH, and starts it, or
    // tells the user that it is unavailable.
    void startSystemInfo();

    // Reads the value subKeyRef of the key keyName under keyRoot into
    // keyVal. False, with keyVal emptied, when the key or the value cannot be
    // read. A string gives its text, a DWORD its number in decimal; any other
    // type leaves keyVal as it was and still counts as read. Throws
    // EmptyRegistryValue for a value with no data.
    bool readKeyValue(quint32 keyRoot, const QString &keyName, const QString &subKeyRef,
                      QString &keyVal);

    // Esc and the close box end here, as a click on "确定".
    void reject() override;

private:
    void startDesktopSystemInfo();
    void showSystemInfoUnavailable();

    Desktop &m_desktop;
    QLabel *m_versionLabel = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_systemInfoButton = nullptr;
};

// Opens the About box modally and returns when it has closed.
void OpenAboutBox(Desktop &desktop);

} // namespace corvane
