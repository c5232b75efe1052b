#include "ProgressBarError.h"

namespace lexmill {

ProgressBarError::ProgressBarError(std::uint32_t number, const QString& source,
                                   const QString& description)
    : std::runtime_error(description.toStdString()),
      number_(number),
      source_(source),
      description_(description) {}

}  // namespace lexmill
