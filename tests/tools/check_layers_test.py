#!/usr/bin/env python3
"""tools/check_layers on a small tree of two libraries: clean, then with one planted violation
of each rule; and on a copy of the real tree, the game layer's order with planted includes."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
CHECK = os.path.join(SOURCE_ROOT, 'tools', 'check_layers')

CLEAN_TREE = {
    'low/CMakeLists.txt': 'qv_library(low)\n',
    'low/low_api.h': '#pragma once\nvoid LOW_Fine();\n',
    'low/low_local.h': '#pragma once\n',
    'low/low_api.cpp': '#include "low_api.h"\n#include "low_local.h"\n#include <cstdio>\n'
                       'void LOW_Fine() {}\n',
    'high/CMakeLists.txt': 'qv_library(high DEPS low PkgConfig::SDL2)\n',
    'high/high_api.h': '#pragma once\n#include "low_api.h"\n',
    'high/high_api.cpp': '#include "high_api.h"\n',
    'tests/low/CMakeLists.txt': 'qv_tests(test_low DEPS low REGISTER LOW_Fine)\n',
    'tests/low/low_api_test.cpp': '#include "low_api.h"\n#include "low_local.h"\n#include "fixture.h"\n',
    'tests/common/fixture.h': '#pragma once\n#include "high_api.h"\n',
}


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        for path, text in CLEAN_TREE.items():
            self.write(path, text)

    def tearDown(self):
        shutil.rmtree(self.root)

    def write(self, path, text, append=False):
        full = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'a' if append else 'w') as out:
            out.write(text)

    def run_check(self, build=None):
        args = [sys.executable, CHECK, self.root] + ([build] if build else [])
        result = subprocess.run(args, capture_output=True, text=True)
        return result.returncode, result.stdout

    def build_archive(self, source):
        """Compiles one file into <root>/build/liblow.a, as the real build would."""
        build = os.path.join(self.root, 'build')
        os.makedirs(os.path.join(build, 'low'))
        with open(os.path.join(build, 'CMakeCache.txt'), 'w'):
            pass
        obj = os.path.join(build, 'low', 'low_api.o')
        subprocess.run(['g++', '-c', '-x', 'c++', '-', '-o', obj], input=source, text=True, check=True)
        subprocess.run(['ar', 'rcs', os.path.join(build, 'low', 'liblow.a'), obj], check=True)
        return build

    def test_clean_tree_passes(self):
        code, out = self.run_check()
        self.assertEqual(0, code, out)
        self.assertIn('2 libraries, 1 test folders, 0 violations', out)

    def test_each_planted_violation_is_found(self):
        cases = [
            # (file, line appended, expected report)
            ('high/high_api.cpp', '#include "../low/low_api.h"\n', 'relative: high/high_api.cpp:2'),
            ('high/high_api.cpp', '#include "low_local.h"\n', 'local: high/high_api.cpp:2 includes low/low_local.h'),
            ('low/low_api.cpp', '#include "high_api.h"\n', 'layer: low/low_api.cpp:5 includes high/high_api.h'),
            ('tests/low/low_api_test.cpp', '#include "high_api.h"\n',
             'layer: tests/low/low_api_test.cpp:4 includes high/high_api.h'),
            ('high/low_api.h', '#pragma once\n', 'unique: low_api.h'),
        ]
        for path, line, expected in cases:
            with self.subTest(expected=expected):
                original = None
                full = os.path.join(self.root, path)
                if os.path.exists(full):
                    with open(full) as text:
                        original = text.read()
                self.write(path, line, append=True)
                code, out = self.run_check()
                self.assertEqual(1, code, out)
                self.assertIn(expected, out)
                if not expected.startswith('unique'):  # a doubled name also misleads its includers
                    self.assertIn('1 violations', out)
                if original is None:
                    os.remove(full)
                else:
                    self.write(path, original)

    def test_exported_symbols_carry_the_folder_prefix(self):
        build = self.build_archive('void LOW_Fine() {}\n'
                                   'static void Hidden() {}\n'
                                   'inline void Inline() {}\n'
                                   'struct LOW_Key { int a; };\n'
                                   'bool operator==(const LOW_Key& x, const LOW_Key& y) { return x.a == y.a; }\n'
                                   'void Stray() { Hidden(); Inline(); }\n'
                                   'int strayCount = 1;\n')
        code, out = self.run_check(build)
        self.assertEqual(1, code, out)
        self.assertIn('prefix: low (low/) exports Stray()', out)
        self.assertIn('prefix: low (low/) exports strayCount', out)
        self.assertNotIn('LOW_', out)
        self.assertNotIn('Hidden', out)
        self.assertNotIn('Inline', out)
        self.assertIn('2 violations', out)


class GameLayerOrderTest(unittest.TestCase):
    """The game folders stack body, behaviour, scene, weapon, tactics, actor, control: the calls
    the armed bodies and their behaviours make go down, the other way is refused."""

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp()
        for folder, dirs, files in os.walk(SOURCE_ROOT):
            rel = os.path.relpath(folder, SOURCE_ROOT)
            dirs[:] = [d for d in dirs if not d.startswith(('build', '.')) and d not in ('corpus', 'data')]
            for name in files:
                if name == 'CMakeLists.txt' or name.endswith(('.h', '.cpp', '.inc')):
                    os.makedirs(os.path.join(cls.root, rel), exist_ok=True)
                    shutil.copy(os.path.join(folder, name), os.path.join(cls.root, rel, name))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root)

    def plant(self, path, header):
        """Appends an include of header to path, runs the check and takes the line out again."""
        full = os.path.join(self.root, path)
        with open(full) as text:
            original = text.read()
        with open(full, 'a') as out:
            out.write(f'#include "{header}"\n')
        try:
            result = subprocess.run([sys.executable, CHECK, self.root], capture_output=True, text=True)
        finally:
            with open(full, 'w') as out:
                out.write(original)
        return result.returncode, result.stdout

    def test_the_tree_as_it_stands_passes(self):
        result = subprocess.run([sys.executable, CHECK, self.root], capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stdout)

    def test_downward_calls_pass_and_the_upward_one_is_refused(self):
        cases = [
            # (file, header included, allowed)
            ('game/actor/nod_player.cpp', 'brisel_spawn.h', True),        # armed bodies call the spawner
            ('game/tactics/bhv_vessel_attack.cpp', 'brisel_spawn.h', True),  # attacks ask bullet range
            ('game/weapon/brisel_spawn.cpp', 'nod_hud.h', True),          # guns call the HUD's zoom
            ('game/tactics/bhv_turret.cpp', 'nod_player.h', False),       # tactics never sees actors
            ('game/weapon/brisel_spawn.cpp', 'bhv_turret.h', False),      # nor weapons the tactics
        ]
        for path, header, allowed in cases:
            with self.subTest(path=path, header=header):
                code, out = self.plant(path, header)
                if allowed:
                    self.assertEqual(0, code, out)
                else:
                    self.assertEqual(1, code, out)
                    self.assertIn(f'layer: {path}:', out)
                    self.assertIn('1 violations', out)


if __name__ == '__main__':
    unittest.main()
