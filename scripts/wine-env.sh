# Sourced by ./run and ./test: a throwaway Wine prefix and an Xvfb display.
# Nothing here touches the user's own ~/.wine or display settings.

: "${PI_BUILD:=$PWD/build}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX="${PI_WINEPREFIX:-$PI_BUILD/wineprefix}"
# Wine's ANSI code page follows LC_ALL: zh_CN.UTF-8 gives code page 936, as
# on a Chinese Windows.  The locale comes from our own folder (see
# install-deps.sh) so file names stay UTF-8.
export LOCPATH="${PRINTER_INSTALL_LOCPATH:-/var/cache/printer-install-locale}"
# The shell itself cannot use that folder and would warn about it.
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null

pi_log() { printf '%s\n' "$*" >&2; }

# Registry of the test prefix: no window manager waits, CJK glyphs through
# font linking (keeps the dialog font's metrics), 宋体 for the drawn labels.
pi_write_prefix_registry() {
  local reg="$WINEPREFIX/printer-install.reg"
  python3 - "$reg" <<'PY'
import sys
# AR PL UMing carries hand-tuned bitmaps for the dialog font's small sizes,
# as SimSun does on a Chinese Windows; outlines alone lose strokes there.
font = "uming.ttc,AR PL UMing CN"
def multi(*items):
    data = ("\0".join(items) + "\0\0").encode("utf-16-le")
    return "hex(7):" + ",".join(f"{b:02x}" for b in data)
lines = [
 "Windows Registry Editor Version 5.00", "",
 r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', '"Decorated"="Y"', "",
 r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
 '"宋体"="WenQuanYi Zen Hei"', '"SimSun"="WenQuanYi Zen Hei"', '"新宋体"="WenQuanYi Zen Hei"', "",
 # A Chinese locale makes Wine map "MS Shell Dlg" to SimSun; the dialog is
 # laid out in the Latin dialog font's units, with CJK glyphs linked in.
 r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]",
 '"MS Shell Dlg"="Tahoma"', "",
 r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]",
 f'"Tahoma"={multi(font)}', f'"Microsoft Sans Serif"={multi(font)}', f'"MS Shell Dlg"={multi(font)}',
 f'"MS Shell Dlg 2"={multi(font)}', f'"Segoe UI"={multi(font)}', "",
]
with open(sys.argv[1], "w", encoding="utf-16") as f:
    f.write("\r\n".join(lines) + "\r\n")
PY
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null || echo "$reg")" >/dev/null 2>&1
}

# Creates the prefix once per build folder; later runs reuse it.
pi_wine_prefix() {
  if [ ! -f "$WINEPREFIX/.printer-install-ready-v3" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    pi_log "creating Wine prefix $WINEPREFIX"
    timeout 180 wineboot -i >/dev/null 2>&1 || true
    timeout 60 wineserver -w || true
    # This Wine build does not find its own fonts (Tahoma, the dialog font)
    # in its data folder; the prefix's Fonts folder is always searched, so
    # they are linked there, with the CJK fonts for the font link and the
    # replacements below.
    local f
    for f in /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc \
             /usr/share/fonts/truetype/arphic/uming.ttc; do
      [ -e "$f" ] && ln -sf "$f" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$f")"
    done
    pi_write_prefix_registry
    timeout 60 wineserver -w || true
    touch "$WINEPREFIX/.printer-install-ready-v3"
  elif ! grep -q '"MS Shell Dlg"="Tahoma"' "$WINEPREFIX/system.reg" 2>/dev/null; then
    # Wine rewrites its font settings when it once ran under another locale
    # (another ANSI code page): put ours back.
    pi_write_prefix_registry
    timeout 60 wineserver -w || true
  fi
  pi_usbprint_sim_install
}

# The simulated USB printer bus of the end-to-end tests (sim/usbprint_driver):
# a root-enumerated device whose demand-started driver the tests start.  The
# prefix's drivers folder links to the build's driver file, so a rebuilt
# driver is the one the next Wine session loads (a loaded one stays until
# its wineserver ends).  Wine installs the device reliably only in a prefix
# that wineboot has finished, under a wineserver of its own.  Needs the
# build; without it the end-to-end tests say that the bus is missing.
pi_usbprint_sim_install() {
  local dir="$PI_BUILD/win/sim/usbprint_driver"
  local marker="$WINEPREFIX/.usbprint-simulator-installed"
  if [ ! -f "$dir/pi_usbprint_simulator.sys" ] || [ ! -f "$dir/usbprint_sim.exe" ]; then
    pi_log "simulated USB printer bus not built yet; not installed in $WINEPREFIX"
    return 0
  fi
  ln -sf "$dir/pi_usbprint_simulator.sys" "$WINEPREFIX/drive_c/windows/system32/drivers/pi_usbprint_simulator.sys"
  [ -f "$marker" ] && return 0
  timeout 60 wineserver -w || true
  # Output to a file: the first program of a Wine session hands its output
  # handles on to the session's system processes, which outlive it.
  local inf="Z:${dir//\//\\}\\usbprint_sim.inf"
  if timeout 120 wine "$dir/usbprint_sim.exe" install "$inf" >"$WINEPREFIX/usbprint-simulator-install.log" 2>&1; then
    touch "$marker"
  else
    pi_log "installing the simulated USB printer bus failed; see $WINEPREFIX/usbprint-simulator-install.log"
  fi
  timeout 60 wineserver -w || true
}

# A CD image as a CD-ROM drive of the test prefix: its Joliet tree (what
# Windows reads) taken out of the image, mounted read-only (a bind mount,
# since this kernel may have no ISO 9660 driver) and given to Wine as drive
# PI_CDROM_LETTER of type "cdrom".  Wine reads its drives when its session
# starts, so the session is ended first.  Needs root for the mount.
# pi_cdrom_unmap takes it away again.
PI_CDROM_LETTER="${PI_CDROM_LETTER:-e}"
pi_cdrom_map() {
  local iso=$1 files="$PI_BUILD/cdrom-files" dir="$PI_BUILD/cdrom"
  pi_cdrom_unmap
  rm -rf "$files"
  mkdir -p "$dir"
  if ! LC_ALL=C.UTF-8 xorriso -osirrox on -read_fs norock -indev "$iso" -extract / "$files" >/dev/null 2>&1; then
    pi_log "cannot read $iso"
    return 1
  fi
  if ! mount --bind -o ro "$files" "$dir" || touch "$dir/.writable" 2>/dev/null; then
    pi_log "cannot mount $files read-only at $dir (a bind mount needs root)"
    pi_cdrom_unmap
    return 1
  fi
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$PI_CDROM_LETTER:"
  pi_drive_type "\"cdrom\""
}

pi_cdrom_unmap() {
  local dir="$PI_BUILD/cdrom"
  if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" || umount -l "$dir"; fi
  if [ -L "$WINEPREFIX/dosdevices/$PI_CDROM_LETTER:" ]; then
    rm -f "$WINEPREFIX/dosdevices/$PI_CDROM_LETTER:"
    pi_drive_type "-"
  fi
}

# The type of drive PI_CDROM_LETTER in Wine's drive table ("-" removes it).
pi_drive_type() {
  local reg="$WINEPREFIX/printer-install-drive.reg"
  timeout 60 wineserver -w || true
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"%s:"=%s\r\n' \
    "$PI_CDROM_LETTER" "$1" | iconv -f UTF-8 -t UTF-16 >"$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null || echo "$reg")" >/dev/null 2>&1
  timeout 60 wineserver -w || true
}

# Starts Xvfb on a free display number unless one is given; remembers its PID.
PI_XVFB_PID=""
pi_xvfb_start() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
      PI_XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
      done
      if kill -0 "$PI_XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n"
        return 0
      fi
    fi
  done
  pi_log "no free X display for Xvfb"
  return 1
}

pi_xvfb_stop() {
  if [ -n "$PI_XVFB_PID" ]; then
    kill "$PI_XVFB_PID" 2>/dev/null || true
    wait "$PI_XVFB_PID" 2>/dev/null || true
    PI_XVFB_PID=""
  fi
}

pi_wine_stop() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
