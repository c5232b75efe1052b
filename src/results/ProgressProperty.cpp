#include "ProgressProperty.h"

namespace lexmill {

ProgressProperty::ProgressProperty(PictureBox* client, QStatusBar* host, const QString& panelKey)
    : client_(client), host_(host), panelKey_(panelKey) {}

void ProgressProperty::set(std::int64_t value, std::int64_t scale) {
    if (!bar_) {
        auto bar = std::make_unique<CProgressBarEx>();
        bar->setClient(client_);
        bar->setHost(host_);
        bar->setPanelKey(panelKey_);
        bar->ResizeEx();
        bar_ = std::move(bar);
    }
    bar_->setTextOnly(value == 0);
    bar_->setMax(scale);
    value_ = value;
    bar_->setValue(value);
}

}  // namespace lexmill
