"""Tests of the release: what the CD image and the zip hold against the
medium folder, name by name (Chinese and long names included) and checksum
by checksum; the shipped programs without debug sections; simulators and
media with errors refused.

Needs the builds (./scripts/build.sh) and the output of ./release in
$PI_BUILD/release.  Run: python3 -m unittest -v tests/release/test_release.py
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("PI_BUILD", os.path.join(ROOT, "build"))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import release  # noqa: E402

WIN = os.path.join(BUILD, "win")
CHECKER = os.path.join(BUILD, "host", "tools", "medium-check")
DEMO_CONTENT = os.path.join(WIN, "demo-content")


def programs():
    with open(os.path.join(WIN, "release-programs.txt"), encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip()]


def run_release(content, out, *extra):
    args = [sys.executable, os.path.join(ROOT, "scripts", "release.py"), "--content", content, "--out", out,
            "--checker", CHECKER]
    for program in programs():
        args += ["--program", program]
    return subprocess.run(args + list(extra), capture_output=True, text=True)


def digest(data):
    return hashlib.sha256(data).hexdigest()


def folder_digests(folder):
    """Relative path (with "/", folders ending in "/") -> SHA-256 (None for folders)."""
    found = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs:
            found[os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/") + "/"] = None
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder).replace(os.sep, "/")] = digest(f.read())
    return found


def joliet_label(iso):
    """The volume label Windows shows: the Joliet volume descriptor's."""
    with open(iso, "rb") as f:
        for sector in range(16, 32):
            f.seek(sector * 2048)
            descriptor = f.read(2048)
            if descriptor[0] == 2 and descriptor[1:6] == b"CD001" and descriptor[88:90] == b"%/":
                return descriptor[40:72].decode("utf-16-be").rstrip()
            if descriptor[0] == 255:
                break
    return None


class Scratch:
    """A copy of the demo content and an output folder, removed afterwards."""

    def __init__(self, test):
        self.dir = tempfile.mkdtemp(prefix="pi-release-")
        test.addCleanup(shutil.rmtree, self.dir, True)
        self.content = os.path.join(self.dir, "content")
        self.out = os.path.join(self.dir, "out")
        shutil.copytree(DEMO_CONTENT, self.content)

    def put(self, relative, data=b"x"):
        path = os.path.join(self.content, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def written(self):
        return sorted(os.listdir(self.out)) if os.path.isdir(self.out) else []


class ReleaseImageTest(unittest.TestCase):
    def test_image_and_zip_hold_every_name_and_checksum_of_the_folder(self):
        s = Scratch(self)
        # Over the 64 characters of plain Joliet names: long ones.  (84
        # Chinese characters are 252 bytes of a Linux name's 255.)
        long_chinese = "曜" * 80 + ".pdf"
        long_ascii = ("OP-730K user manual, " * 5)[:99] + ".pdf"  # 103, the most
        s.put("OrvaneManual/曜驰7730 使用说明书.pdf", b"%PDF-1.4 manual\n")
        s.put("驱动程序/子目录/说明.txt", "中文内容".encode("utf-8"))
        s.put("OrvaneManual/" + long_chinese, b"long")
        s.put(long_ascii, b"")
        os.makedirs(os.path.join(s.content, "空文件夹"))
        run = run_release(s.content, s.out)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        medium = os.path.join(s.out, "medium")
        folder = folder_digests(medium)
        for name in ("OrvaneManual/曜驰7730 使用说明书.pdf", "驱动程序/子目录/说明.txt", "OrvaneManual/" + long_chinese,
                     long_ascii, "空文件夹/", "Printer Install.exe", "autorun.inf", "SHA256SUMS"):
            self.assertIn(name, folder)

        # SHA256SUMS on the medium names every other file with its checksum.
        with open(os.path.join(medium, "SHA256SUMS"), encoding="utf-8") as f:
            sums = dict(reversed(line.rstrip("\n").split("  ", 1)) for line in f)
        self.assertEqual(sums, {p: d for p, d in folder.items() if d and p != "SHA256SUMS"})

        # The image, as Windows reads it: its Joliet tree, listed and extracted.
        iso = os.path.join(s.out, "PrinterInstall.iso")
        self.assertEqual(release.image_paths(iso), sorted(folder))
        extracted = os.path.join(s.dir, "extracted")
        subprocess.run(["xorriso", "-osirrox", "on", "-read_fs", "norock", "-indev", iso, "-extract", "/",
                        extracted], check=True, capture_output=True, env=release.xorriso_env())
        self.assertEqual(folder_digests(extracted), folder)
        self.assertEqual(joliet_label(iso), "Orvane 经典24针系列")

        # The zip: the same names and bytes, every name that is not ASCII
        # flagged as UTF-8 (general purpose bit 11).
        with zipfile.ZipFile(os.path.join(s.out, "PrinterInstall.zip")) as z:
            entries = z.infolist()
            self.assertEqual(sorted(e.filename for e in entries), sorted(folder))
            for e in entries:
                if not e.filename.isascii():
                    self.assertTrue(e.flag_bits & 0x800, e.filename)
                self.assertEqual(None if e.is_dir() else digest(z.read(e)), folder[e.filename], e.filename)
        with open(os.path.join(s.out, "SHA256SUMS"), encoding="utf-8") as f:
            outer = dict(reversed(line.rstrip("\n").split("  ", 1)) for line in f)
        self.assertEqual(outer, {n: folder_digests(s.out)[n] for n in ("PrinterInstall.iso", "PrinterInstall.zip")})

        # autorun.inf: UTF-16LE with a byte-order mark, the program and the series.
        with open(os.path.join(medium, "autorun.inf"), "rb") as f:
            autorun = f.read()
        self.assertEqual(autorun[:2], b"\xff\xfe")
        self.assertEqual(autorun[2:].decode("utf-16-le").splitlines(),
                         ["[AutoRun]", 'open="Printer Install.exe"', "icon=Printer Install.exe,0",
                          "label=Orvane 经典24针系列"])

    def test_shipped_programs_have_no_debug_sections(self):
        shipped = os.path.join(BUILD, "release", "medium")
        names = [os.path.basename(p) for p in programs()]
        self.assertIn("Printer Install.exe", names)
        for name in names:
            sections, symbols = release.pe_sections(os.path.join(shipped, name))
            self.assertEqual([s for s in sections if s.startswith(".debug")], [], name)
            self.assertEqual(symbols, 0, name)
            self.assertIn(".rsrc", sections, name)
        # The tests' build keeps them, which the reader sees.
        sections, _ = release.pe_sections(os.path.join(WIN, "medium", "Printer Install.exe"))
        self.assertIn(".debug_info", sections)


class ReleaseRefusalTest(unittest.TestCase):
    def test_a_simulator_is_refused_whatever_its_name(self):
        sim = os.path.join(WIN, "sim")
        cases = [
            (os.path.join(sim, "winio.dll"), "Quorin/QuorinHelper.dll"),
            (os.path.join(sim, "winio.dll"), "winio.dll"),
            (os.path.join(sim, "winio.sys"), "winio.sys"),
            (os.path.join(ROOT, "sim", "winio-simulator.ini"), "Firmware/settings.ini"),
            (os.path.join(sim, "usbprint_driver", "pi_usbprint_simulator.sys"),
             "OrvaneDriver/OrvaneDriver/Orvane 24pin/orvane.sys"),
            (os.path.join(sim, "usbprint_driver", "usbprint_sim.exe"), "Tessan/Tessan.exe"),
        ]
        for source, renamed in cases:
            with self.subTest(renamed=renamed):
                s = Scratch(self)
                with open(source, "rb") as f:
                    s.put(renamed, f.read())
                run = run_release(s.content, s.out)
                self.assertEqual(run.returncode, 1, run.stdout)
                self.assertIn("simulators", run.stderr)
                self.assertIn(renamed, run.stderr)
                self.assertEqual(s.written(), [], "nothing written")

    def test_a_real_port_library_is_taken_without_a_note(self):
        s = Scratch(self)
        with open(os.path.join(DEMO_CONTENT, "Quorin", "Quorin.exe"), "rb") as f:
            s.put("winio.dll", f.read())
        s.put("winio.sys", b"MZ driver")
        run = run_release(s.content, s.out)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertNotIn("port I/O library", run.stdout)
        self.assertTrue(os.path.isfile(os.path.join(s.out, "medium", "winio.dll")))
        # Without one the release says what to add.
        s2 = Scratch(self)
        self.assertIn("add the real winio.dll and winio.sys", run_release(s2.content, s2.out).stdout)

    def test_files_the_release_writes_are_refused_in_the_content(self):
        for name in ("autorun.inf", "Printer Install.exe", "sha256sums"):
            with self.subTest(name=name):
                s = Scratch(self)
                s.put(name, b"[autorun]\r\n")
                run = run_release(s.content, s.out)
                self.assertEqual(run.returncode, 1)
                self.assertIn("which the release writes itself", run.stderr)
                self.assertEqual(s.written(), [])

    def test_the_checkers_errors_stop_it_before_any_image(self):
        s = Scratch(self)
        os.remove(os.path.join(s.content, "OrvaneManual", "OP-730K.pdf"))
        s.put("OrvaneManual/" + "x" * 104 + ".pdf")
        run = run_release(s.content, s.out)
        self.assertEqual(run.returncode, 1)
        self.assertIn("[manual-missing]", run.stdout)
        self.assertIn("[name-too-long]", run.stdout)
        self.assertIn("the medium checker found errors", run.stderr)
        self.assertFalse([n for n in s.written() if n.endswith((".iso", ".zip"))])


if __name__ == "__main__":
    unittest.main()
