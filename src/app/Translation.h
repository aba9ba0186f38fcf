#pragma once

#include <QTranslator>

class QLocale;

namespace optara {

// The interface's texts in a locale's language: our own catalogue, built into
// the binary, and Qt's for the open panel when the system has it. Installed on
// the application while this object lives; English, with its plural forms,
// stays where no catalogue matches the locale.
class Translation {
  public:
    explicit Translation(const QLocale& locale);
    ~Translation();

    Translation(const Translation&) = delete;
    Translation& operator=(const Translation&) = delete;

  private:
    QTranslator own_;
    QTranslator qt_;
};

} // namespace optara
