// Label that draws its text itself, in its own font and colour.
#pragma once
#include "win/wnd.h"

class CNewStatic : public CStatic {};
