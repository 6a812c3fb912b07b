/* Every simulator build carries this marker, in a section of its own, so
 * that a release can tell one of them by its content whatever it is named
 * (scripts/release.py refuses any file holding the text).  Included from C
 * and C++; the object is kept even when nothing refers to it. */
#ifndef PI_SIMULATOR_MARKER_H
#define PI_SIMULATOR_MARKER_H

#define PI_SIMULATOR_MARKER_TEXT "PRINTER-INSTALL-SIMULATOR"

/* PI_SIMULATOR_MARKER("what it simulates"); at file scope, once per build. */
#define PI_SIMULATOR_MARKER(what)                                                     \
    __attribute__((section(".pisim"), used)) const char pi_simulator_marker[] =       \
        PI_SIMULATOR_MARKER_TEXT ": " what " (test and demonstration tooling of Printer Install, never for a real medium)"

#endif
