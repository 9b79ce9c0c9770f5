// Built without libusb-1.0: there is no bus to survey.

#include "platform/linux/usb_survey.h"

namespace brixel::platform {

void surveyBus(UsbSurvey& survey) { survey.libusbBuiltIn = false; }

}  // namespace brixel::platform
