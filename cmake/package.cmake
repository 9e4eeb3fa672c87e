# The Debian package: `cpack -G DEB` in the build directory (make package) packs what the
# install rules install, under /usr. The version is the project's, from project(VERSION).
# Included from the top-level CMakeLists.txt after cmake/install.cmake.
set(CPACK_PACKAGE_NAME convkit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "convkit maintainers")
set(CPACK_PACKAGE_CONTACT "${CONVKIT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converters of simulated voltammetric traces into ZEP and column files")
# Lines of the long description, wrapped as Debian's control files want them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Three console programs for electrochemists who simulate cyclic voltammetry"
       "with a superimposed AC signal. vantor converts a trace exported by DigiElch"
       "(releases before 7) and pressik one exported by DigiElch 7 into a ZEP trace"
       "file; colbrand converts a trace exported by DigiSim into three columns"
       "behind a header of the user's own. Each program reads a control file of a"
       "fixed name in the working directory."
       "The Python module convkit and the command convkit-info read and write the"
       "ZEP files exactly, with their sampling facts and a check of the header"
       "against the data.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CONVKIT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# vantor and pressik run unix2dos on every file they write. The Python module convkit needs
# Debian's python3 and python3-numpy; its compiled part was built for one python3 version.
set(convkit_python "python3")
if(CONVKIT_PYTHON_NATIVE AND CONVKIT_PYTHON_MAJOR MATCHES "^[0-9]+$"
   AND CONVKIT_PYTHON_MINOR MATCHES "^[0-9]+$")
  math(EXPR convkit_python_next "${CONVKIT_PYTHON_MINOR} + 1")
  set(convkit_python "python3 (>= ${CONVKIT_PYTHON_MAJOR}.${CONVKIT_PYTHON_MINOR}~), \
python3 (<< ${CONVKIT_PYTHON_MAJOR}.${convkit_python_next})")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "dos2unix, ${convkit_python}, python3-numpy")
# The C and C++ libraries: found by dpkg-shlibdeps where it is installed, else named here.
find_program(CONVKIT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CONVKIT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libc6, libstdc++6, libgcc-s1")
endif()

# convkit-plot draws with gnuplot; convkit-batch runs the rows with GNU parallel (xargs without
# it), over ssh with rsync, or on a cluster with Slurm's sbatch.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnuplot-nox, parallel, rsync, slurm-client")

include(CPack)
