#!/usr/bin/env python3
"""The layer check on small planted trees: each fault it exists for is reported, a clean tree passes."""

import importlib.util
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SPEC = importlib.util.spec_from_file_location("check_layers", os.path.join(HERE, "..", "..", "scripts", "check-layers.py"))
check_layers = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(check_layers)

# A clean tree: every include points down or stays in its unit, and a header of a layer may include another.
CLEAN = {
    "common/ZsA.h": "",
    "common/ZsA.cpp": '#include "common/ZsA.h"\n',
    "icon/ZsB.h": '#include "common/ZsA.h"\n',
    "icon/ZsB.cpp": '#include "icon/ZsB.h"\n#include "icon/ZsC.h"\n#include <vector>\n#include "generated.h"\n',
    "icon/ZsC.h": "",
    "library/ZsD.cpp": '#include "icon/ZsB.h"\n',
    "gui/common/ZsE.h": '#include "library/ZsD.h"\n',
    "gui/batch/DlgF.cpp": '#include "gui/common/ZsE.h"\n',
    "gui/ui/ViewG.cpp": '#include "gui/batch/DlgF.h"\n',
    "gui/app/FrmH.cpp": '#include "gui/ui/ViewG.h"\n#include "gui/common/ZsE.h"\n',
    "cli/CliI.cpp": '#include "library/ZsD.h"\n',
}
for header in ("library/ZsD.h", "gui/batch/DlgF.h", "gui/ui/ViewG.h"):
    CLEAN[header] = ""


class CheckLayersTest(unittest.TestCase):
    def findings(self, extra):
        with tempfile.TemporaryDirectory() as src:
            for name, text in {**CLEAN, **extra}.items():
                os.makedirs(os.path.dirname(os.path.join(src, name)), exist_ok=True)
                with open(os.path.join(src, name), "w") as f:
                    f.write(text)
            return check_layers.check(src)

    def test_clean_tree_passes(self):
        self.assertEqual(self.findings({}), [])

    def test_each_wrong_include_is_one_finding(self):
        cases = {
            "common/ZsA.cpp": ("icon/ZsB.h", "layer common includes icon/ZsB.h"),
            "icon/ZsC.h": ("library/ZsD.h", "layer icon includes library/ZsD.h"),
            "library/ZsD.cpp": ("cli/CliI.h", "layer library includes cli/CliI.h"),
            "cli/CliI.cpp": ("gui/common/ZsE.h", "layer cli includes gui/common/ZsE.h"),
            "gui/common/ZsE.h": ("gui/batch/DlgF.h", "layer gui/common includes gui/batch/DlgF.h"),
            "gui/batch/DlgF.cpp": ("gui/ui/ViewG.h", "layer gui/batch includes gui/ui/ViewG.h"),
            "gui/ui/ViewG.cpp": ("gui/app/FrmH.h", "layer gui/ui includes gui/app/FrmH.h"),
        }
        for name, (target, message) in cases.items():
            with self.subTest(name=name):
                found = self.findings({name: CLEAN[name] + f'#include "{target}"\n', target: CLEAN.get(target, "")})
                self.assertEqual(len(found), 1, found)
                self.assertIn(message, found[0])

    def test_circle_inside_a_layer_counts_header_and_source_as_one(self):
        found = self.findings({"icon/ZsC.cpp": '#include "icon/ZsC.h"\n', "icon/ZsC.h": '#include "icon/ZsB.h"\n'})
        self.assertEqual(len(found), 1, found)
        self.assertIn("circle of includes among icon/ZsB, icon/ZsC", found[0])
        self.assertIn("icon/ZsB.cpp:2 includes icon/ZsC.h", found[0])

    def test_exit_code(self):
        with tempfile.TemporaryDirectory() as src:
            os.makedirs(os.path.join(src, "common"))
            with open(os.path.join(src, "common", "ZsA.cpp"), "w") as f:
                f.write('#include "icon/ZsB.h"\n')
            os.makedirs(os.path.join(src, "icon"))
            open(os.path.join(src, "icon", "ZsB.h"), "w").close()
            self.assertEqual(check_layers.main(["check-layers.py", src]), 1)
            os.remove(os.path.join(src, "common", "ZsA.cpp"))
            self.assertEqual(check_layers.main(["check-layers.py", src]), 0)


if __name__ == "__main__":
    sys.exit(unittest.main())
