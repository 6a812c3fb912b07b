// Owner-drawn bitmap push button of the left panel.
#pragma once
#include "win/wnd.h"

class CButtonST : public CButton {};
