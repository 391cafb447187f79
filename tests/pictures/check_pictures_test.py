#!/usr/bin/python3
"""The picture checker finds each fault it is there for, passes what the
program accepts, and finds none in the committed pictures.

Each test copies the committed pictures into a scratch folder, spoils one
file and expects the checker to name that file and the fault.
"""
import importlib.machinery
import importlib.util
import io
import os
import shutil
import struct
import tempfile
import unittest

from PIL import Image, ImageDraw

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def load_checker():
    path = os.path.join(ROOT, "scripts", "check-pictures")
    loader = importlib.machinery.SourceFileLoader("check_pictures", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


checker = load_checker()
PICTURES = "resources/pictures/"
ICON = "resources/hvmend.ico"


def png(image):
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def icon(entries):
    """.ico bytes of (listed size, data, bits per pixel) entries."""
    offset = 6 + 16 * len(entries)
    directory, data = b"", b""
    for size, blob, bits in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(blob),
                                 offset + len(data))
        data += blob
    return struct.pack("<HHH", 0, 1, len(entries)) + directory + data


def icon_entry(size, bits=32):
    return (size, png(Image.new("RGBA", (size, size), (46, 90, 126, 255))), bits)


class ScratchPictures(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="check-pictures-")
        for folder in ("resources/pictures", "resources/templates"):
            shutil.copytree(os.path.join(ROOT, folder), os.path.join(self.root, folder))
        shutil.copy(os.path.join(ROOT, ICON), os.path.join(self.root, ICON))

    def tearDown(self):
        shutil.rmtree(self.root)

    def path(self, name):
        return os.path.join(self.root, name)

    def open(self, name):
        return Image.open(self.path(name)).convert("RGBA")

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data if isinstance(data, bytes) else png(data))

    def assertFault(self, name, text):
        faults = checker.check_all(self.root)
        hits = [f for f in faults if f.startswith(name + ":") and text in f]
        self.assertTrue(hits, f"no fault '{text}' for {name} among {faults}")

    def assertNoFault(self):
        self.assertEqual(checker.check_all(self.root), [])


class CommittedPictures(unittest.TestCase):
    def test_have_no_fault(self):
        self.assertEqual(checker.check_all(ROOT), [])


class BrokenFiles(ScratchPictures):
    def test_missing_picture(self):
        os.remove(self.path(PICTURES + "caution.png"))
        self.assertFault(PICTURES + "caution.png", "is missing")

    def test_text_named_png(self):
        self.write(PICTURES + "logo.png", b"not a picture at all, longer than a PNG header")
        self.assertFault(PICTURES + "logo.png", "is not a PNG file")

    def test_cut_short_png_is_reported_not_raised(self):
        with open(self.path(PICTURES + "splash.png"), "rb") as f:
            data = f.read()
        self.write(PICTURES + "splash.png", data[:len(data) // 2])
        self.assertFault(PICTURES + "splash.png", "does not decode")

    def test_picture_at_96_dpi_size_instead_of_twice(self):
        self.write(PICTURES + "menu-500.png", self.open(PICTURES + "menu-500.png").resize((32, 32)))
        self.assertFault(PICTURES + "menu-500.png", "is 32x32, expected 64x64")

    def test_without_alpha(self):
        self.write(PICTURES + "menu-510.png", self.open(PICTURES + "menu-510.png").convert("RGB"))
        self.assertFault(PICTURES + "menu-510.png", "not 32-bit RGBA")

    def test_palette_picture(self):
        self.write(PICTURES + "arrow-expanded.png",
                   self.open(PICTURES + "arrow-expanded.png").convert("P"))
        self.assertFault(PICTURES + "arrow-expanded.png", "colour type 3")

    def test_template_picture_keeps_its_own_size(self):
        emblem = "resources/templates/400/emblem.png"
        self.write(emblem, self.open(emblem).resize((128, 128)))
        self.assertFault(emblem, "is 128x128, expected 64x64")


class Strips(ScratchPictures):
    def test_state_repeated(self):
        name = PICTURES + "button-180.png"
        strip = self.open(name)
        strip.paste(strip.crop((0, 0, 320, 72)), (640, 0))  # pressed drawn as normal
        self.write(name, strip)
        self.assertFault(name, "part 3 of 4 repeats")

    def test_last_frame_repeats_the_first(self):
        name = PICTURES + "animation.png"
        strip = self.open(name)
        strip.paste(strip.crop((0, 0, 128, 128)), (11 * 128, 0))
        self.write(name, strip)
        self.assertFault(name, "part 12 of 12 repeats")

    def test_page_button_of_the_common_width(self):
        # The repair button is wider than the template buttons: a strip drawn
        # at their width would squeeze its caption.
        name = PICTURES + "button-repair.png"
        self.write(name, self.open(name).resize((1280, 72)))
        self.assertFault(name, "is 1280x72, expected 1760x72")

    def test_each_page_button_is_checked(self):
        for name in ("button-150.png", "button-repair.png", "button-backup.png"):
            with self.subTest(name=name):
                os.rename(self.path(PICTURES + name), self.path(PICTURES + name) + ".away")
                try:
                    self.assertFault(PICTURES + name, "is missing")
                finally:
                    os.rename(self.path(PICTURES + name) + ".away", self.path(PICTURES + name))

    def test_strip_missing_a_state(self):
        name = PICTURES + "button-195.png"
        self.write(name, self.open(name).crop((0, 0, 960, 72)))
        self.assertFault(name, "is 960x72, expected 1280x72")


class Layers(ScratchPictures):
    def test_background_with_a_hole(self):
        name = PICTURES + "menu-row.png"
        row = self.open(name)
        row.putpixel((100, 40), (255, 255, 255, 0))
        self.write(name, row)
        self.assertFault(name, "has transparent pixels")

    def test_overlay_flattened_on_white(self):
        name = PICTURES + "check-checked.png"
        flat = Image.new("RGBA", (32, 32), (255, 255, 255, 255))
        flat.alpha_composite(self.open(name))
        self.write(name, flat)
        self.assertFault(name, "corners are not transparent")

    def test_one_state_of_a_strip_flattened(self):
        name = PICTURES + "button-100.png"
        strip = self.open(name)
        disabled = Image.new("RGBA", (320, 72), (255, 255, 255, 255))
        disabled.alpha_composite(strip.crop((960, 0, 1280, 72)))
        strip.paste(disabled, (960, 0))
        self.write(name, strip)
        self.assertFault(name, "part 4 is drawn over")

    def test_drawing_in_the_title_area(self):
        name = PICTURES + "top-band.png"
        band = self.open(name)
        ImageDraw.Draw(band).line([(300, 60), (500, 60)], fill=(46, 90, 126, 255), width=2)
        self.write(name, band)
        self.assertFault(name, "area 72,4-400,58 is not calm")

    def test_drawing_where_the_version_goes(self):
        name = PICTURES + "splash.png"
        splash = self.open(name)
        ImageDraw.Draw(splash).rectangle([(40, 460), (60, 470)], fill=(200, 220, 236, 255))
        self.write(name, splash)
        self.assertFault(name, "area 0,200-420,260 is not calm")

    def test_drawing_where_the_report_title_goes(self):
        name = PICTURES + "report-background.png"
        background = self.open(name)
        ImageDraw.Draw(background).ellipse([(300, 60), (340, 100)], outline=(46, 90, 126, 255))
        self.write(name, background)
        self.assertFault(name, "area 100,0-440,96 is not calm")

    def test_report_background_with_a_hole(self):
        name = PICTURES + "report-background.png"
        background = self.open(name)
        background.putpixel((1199, 919), (255, 255, 255, 0))
        self.write(name, background)
        self.assertFault(name, "has transparent pixels")

    def test_top_to_bottom_gradient_is_calm(self):
        name = PICTURES + "splash.png"
        splash = self.open(name)
        for y in range(400, 520):
            grey = 255 - (y - 400) // 2
            splash.paste((grey, grey, grey, 255), (0, y, 840, y + 1))
        self.write(name, splash)
        self.assertNoFault()


class TemplateEmblems(ScratchPictures):
    # Named here, not taken from the checker, so that an emblem dropped from
    # its list is noticed.
    EMBLEMS = ["resources/templates/410/health-low.png", "resources/templates/411/health-good.png",
               "resources/templates/420/optimize.png", "resources/templates/430/organize.png",
               "resources/templates/440/vista.png", "resources/templates/490/monitor.png"]

    def test_each_missing_emblem_is_named(self):
        for name in self.EMBLEMS:
            with self.subTest(name=name):
                os.rename(self.path(name), self.path(name) + ".away")
                try:
                    self.assertFault(name, "is missing")
                finally:
                    os.rename(self.path(name) + ".away", self.path(name))

    def test_emblem_at_its_page_size_instead_of_twice(self):
        name = self.EMBLEMS[2]
        self.write(name, self.open(name).resize((72, 72)))
        self.assertFault(name, "is 72x72, expected 144x144")

    def test_emblem_kept_at_the_sample_templates_size(self):
        name = self.EMBLEMS[0]
        self.write(name, self.open(name).resize((64, 64)))
        self.assertFault(name, "is 64x64, expected 144x144")

    def test_emblem_in_grey_with_alpha(self):
        name = self.EMBLEMS[1]
        self.write(name, self.open(name).convert("LA"))
        self.assertFault(name, "colour type 4")

    def test_emblem_flattened_on_white(self):
        name = self.EMBLEMS[5]
        flat = Image.new("RGBA", (144, 144), (255, 255, 255, 255))
        flat.alpha_composite(self.open(name))
        self.write(name, flat)
        self.assertFault(name, "corners are not transparent")

    def test_one_opaque_corner_pixel(self):
        name = self.EMBLEMS[4]
        emblem = self.open(name)
        emblem.putpixel((143, 143), (46, 90, 126, 255))
        self.write(name, emblem)
        self.assertFault(name, "corners are not transparent")

    def test_faint_corner_pixel(self):
        name = self.EMBLEMS[3]
        emblem = self.open(name)
        emblem.putpixel((0, 143), (46, 90, 126, 1))
        self.write(name, emblem)
        self.assertFault(name, "corners are not transparent")


class Icon(ScratchPictures):
    def every_size(self):
        return [icon_entry(size) for size in checker.ICON_SIZES]

    def test_every_size_as_png_passes(self):
        self.write(ICON, icon(self.every_size()))
        self.assertNoFault()

    def test_missing_size(self):
        self.write(ICON, icon([e for e in self.every_size() if e[0] != 20]))
        self.assertFault(ICON, "holds 0 entries of 20x20")

    def test_size_twice_and_a_stray_size(self):
        self.write(ICON, icon(self.every_size() + [icon_entry(48), icon_entry(128)]))
        self.assertFault(ICON, "holds 2 entries of 48x48")
        self.assertFault(ICON, "unexpected 128x128 entry")

    def test_bitmap_entry(self):
        entries = self.every_size()
        entries[0] = (16, b"\x28\x00\x00\x00" + bytes(1100), 32)  # a DIB, not a PNG
        self.write(ICON, icon(entries))
        self.assertFault(ICON, "entry 1 (16x16) is not a PNG file")

    def test_entry_listed_with_the_wrong_size(self):
        entries = self.every_size()
        entries[2] = (24, icon_entry(32)[1], 32)
        self.write(ICON, icon(entries))
        self.assertFault(ICON, "entry 3 (24x24) is 32x32, expected 24x24")

    def test_entry_listed_with_fewer_bits(self):
        entries = self.every_size()
        entries[1] = icon_entry(20, bits=8)
        self.write(ICON, icon(entries))
        self.assertFault(ICON, "8 bits per pixel")

    def test_entry_beyond_the_end(self):
        self.write(ICON, icon(self.every_size())[:-100])
        self.assertFault(ICON, "entry 8 (256x256) lies beyond the end")

    def test_directory_cut_short(self):
        self.write(ICON, icon(self.every_size())[:40])
        self.assertFault(ICON, "is cut short")

    def test_not_an_icon(self):
        self.write(ICON, png(Image.new("RGBA", (16, 16))))
        self.assertFault(ICON, "is not an icon file")


if __name__ == "__main__":
    unittest.main()
