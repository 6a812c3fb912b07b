// Whether the process runs with an administrator's full rights.
#pragma once

namespace win {

// True when the process token is elevated (or Windows knows no elevation,
// as before Vista).  False when it cannot be told: a job that needs an
// administrator then says so rather than fail half-way.
bool RunsElevated();

}  // namespace win
