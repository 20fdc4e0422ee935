// Drawing of the custom button's face (UCustomButton::DrawButton) and the
// masked copy it uses for transparent pictures; declared with the button.
#pragma once
#include "controls/UCustomButton.h"
