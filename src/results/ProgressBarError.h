#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace lexmill {

// An error of the progress bar's properties, with the number, source and
// description its callers have always been given.
class ProgressBarError : public std::runtime_error {
  public:
    static constexpr std::uint32_t TypeMismatch = 13;
    static constexpr std::uint32_t ObjectError = 0x80040000;

    ProgressBarError(std::uint32_t number, const QString& source, const QString& description);

    std::uint32_t number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }

  private:
    std::uint32_t number_;
    QString source_;
    QString description_;
};

}  // namespace lexmill
