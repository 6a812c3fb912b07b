// Progress bar that shows a prefix and the percentage over the bar.
#pragma once
#include "win/wnd.h"

class CTextProgressCtrl : public CProgressCtrl {};
