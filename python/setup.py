"""Builds the native part of seepconv with the project's own CMake tree (the folder above this one), so
that `pip install --no-build-isolation ./python` compiles the same core as the program, offline, with
the pybind11 and NumPy already installed."""
import os, pathlib, subprocess, sys
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent.parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.check_call(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                               "-DSEEPCONV_TESTS=OFF", "-DSEEPCONV_PYTHON=ON", f"-DPython_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", str(build), "--target", "_core", "-j", str(os.cpu_count() or 1)])
        built = next((build / "python" / "seepconv").glob("_core*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(ext_modules=[Extension("seepconv._core", sources=[])], cmdclass={"build_ext": CMakeBuild})
