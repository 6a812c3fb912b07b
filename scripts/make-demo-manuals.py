#!/usr/bin/env python3
"""Writes the small PDF manuals of the demo medium (demo/medium/OrvaneManual).

Each is a valid one-page PDF with a few lines of text, enough for a PDF
reader to open; the files are committed, this script re-creates them."""
import os
import sys

OUT = os.path.join(os.path.dirname(__file__), "..", "demo", "medium", "OrvaneManual")
MANUALS = {
    "OP-730K.pdf": "Orvane OP-730K",
    "OP-630K.pdf": "Orvane OP-630K",
    "VP-7730.pdf": "Orvane VP-7730 / VP-7730+",
    "VP-7330.pdf": "Orvane VP-7330 / VP-7330+",
    "OP-9150.pdf": "Orvane OP-9150",
    "Printer.PDF": "Orvane dot-matrix printers",
}


def pdf(title: str) -> bytes:
    lines = [title, "User manual (demo installation medium)", "",
             "1. Unpack the printer and remove the transport locks.",
             "2. Load continuous paper into the tractor.",
             "3. Connect the printer and run Printer Install."]
    text = ["BT", "/F1 18 Tf", "72 760 Td"]
    for i, line in enumerate(lines):
        esc = line.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
        if i == 1:
            text.append("/F1 12 Tf")
        text.append(f"({esc}) Tj")
        text.append("0 -22 Td")
    text.append("ET")
    stream = "\n".join(text).encode("ascii")
    objs = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>",
        b"<< /Length " + str(len(stream)).encode() + b" >>\nstream\n" + stream + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for n, body in enumerate(objs, 1):
        offsets.append(len(out))
        out += f"{n} 0 obj\n".encode() + body + b"\nendobj\n"
    xref = len(out)
    out += f"xref\n0 {len(objs) + 1}\n".encode() + b"0000000000 65535 f \n"
    for off in offsets:
        out += f"{off:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objs) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
    return bytes(out)


def main() -> int:
    os.makedirs(OUT, exist_ok=True)
    for name, title in MANUALS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(pdf(title))
    return 0


if __name__ == "__main__":
    sys.exit(main())
