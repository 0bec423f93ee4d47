# The release, built with everything else: a portable zip and an NSIS setup in
# dist/, both holding the two programs, the shell extension, a read-me for
# Windows users and the licence texts; the Explorer package the setup
# registers, and the winget and Scoop manifests that describe them.
find_program(VM_MAKENSIS makensis REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_file(VM_XXHASH_COPYRIGHT copyright PATHS /usr/share/doc/libxxhash-dev NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(VM_DIST_DIR ${CMAKE_SOURCE_DIR}/dist)
set(VM_RELEASE_ZIP ${VM_DIST_DIR}/verimond-${PROJECT_VERSION}-win64.zip)
set(VM_RELEASE_SETUP ${VM_DIST_DIR}/verimond-${PROJECT_VERSION}-setup.exe)
set(VM_STAGE ${CMAKE_BINARY_DIR}/release-stage)

# Windows 11 lists only packaged programs' commands in Explorer's first context
# menu, so the setup registers this package, which holds no program, with the
# installation folder as its external location. It is signed with VM_SIGNING_PFX
# (and VM_SIGNING_PASSWORD), or else with a throw-away key made once in the build
# folder, whose certificate the tests trust.
set(VM_RELEASE_PACKAGE ${VM_DIST_DIR}/verimond-${PROJECT_VERSION}-explorer.msix)
set(VM_PACKAGE_DIR ${CMAKE_BINARY_DIR}/explorer-package)
set(VM_SIGNING_CERT ${VM_PACKAGE_DIR}/signing-cert.pem)
add_custom_command(
    OUTPUT ${VM_RELEASE_PACKAGE} ${VM_SIGNING_CERT}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/release/sparse_package.py ${PROJECT_VERSION} ${VM_PACKAGE_DIR}
            ${VM_RELEASE_PACKAGE}
    DEPENDS release/sparse_package.py release/msix_archive.py release/package_signing.py release/AppxManifest.xml.in
            release/package-logo.png
    COMMENT "Packing and signing the Explorer package in dist/"
    VERBATIM)
# A target of its own, so the package is made without waiting for the programs.
add_custom_target(explorer_package DEPENDS ${VM_RELEASE_PACKAGE})

# Texts for Windows users get CR LF line ends.
configure_file(release/README-Windows.txt ${VM_STAGE}/README.txt @ONLY NEWLINE_STYLE WIN32)
configure_file(release/LICENSE.txt ${VM_STAGE}/LICENSE.txt @ONLY NEWLINE_STYLE WIN32)
configure_file(${VM_BLAKE3_DIR}/../LICENSE ${VM_STAGE}/LICENSE-BLAKE3.txt COPYONLY)
configure_file(${VM_XXHASH_COPYRIGHT} ${VM_STAGE}/LICENSE-xxHash.txt COPYONLY)
find_file(VM_GCRYPT_COPYRIGHT copyright PATHS /usr/share/doc/libgcrypt-mingw-w64-dev NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_GPG_ERROR_COPYRIGHT copyright PATHS /usr/share/doc/libgpg-error-mingw-w64-dev NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_LGPL_TEXT LGPL-2.1 PATHS /usr/share/common-licenses NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_KSBA_COPYRIGHT copyright PATHS /usr/share/doc/libksba-mingw-w64-dev NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_LGPL3_TEXT LGPL-3 PATHS /usr/share/common-licenses NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_GPL3_TEXT GPL-3 PATHS /usr/share/common-licenses NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
configure_file(${VM_GCRYPT_COPYRIGHT} ${VM_STAGE}/LICENSE-libgcrypt.txt COPYONLY)
configure_file(${VM_GPG_ERROR_COPYRIGHT} ${VM_STAGE}/LICENSE-libgpg-error.txt COPYONLY)
configure_file(${VM_LGPL_TEXT} ${VM_STAGE}/LGPL-2.1.txt COPYONLY)
configure_file(${VM_KSBA_COPYRIGHT} ${VM_STAGE}/LICENSE-libksba.txt COPYONLY)
configure_file(${VM_LGPL3_TEXT} ${VM_STAGE}/LGPL-3.txt COPYONLY)
configure_file(${VM_GPL3_TEXT} ${VM_STAGE}/GPL-3.txt COPYONLY)
configure_file(gui/window/icons/icon1.ico ${VM_STAGE}/vmview-icon.ico COPYONLY)
set(VM_RELEASE_FILES vmview.exe vmsum.exe vmshell.dll libgcrypt-20.dll libgpg-error-0.dll libksba-8.dll README.txt LICENSE.txt
    LICENSE-BLAKE3.txt LICENSE-xxHash.txt LICENSE-libgcrypt.txt LICENSE-libgpg-error.txt LICENSE-libksba.txt LGPL-2.1.txt
    LGPL-3.txt GPL-3.txt)

add_custom_command(
    OUTPUT ${VM_RELEASE_ZIP} ${VM_RELEASE_SETUP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VM_DIST_DIR}
    # Only the shipped copies lose their debug sections, four fifths of libgcrypt's two DLLs;
    # the programs the tests run keep theirs. Our own three also lose their symbol tables,
    # a third of their size, which nothing reads: a DLL's exports are a table of their own.
    COMMAND ${CMAKE_STRIP} --strip-all -o ${VM_STAGE}/vmview.exe $<TARGET_FILE:vmview>
    COMMAND ${CMAKE_STRIP} --strip-all -o ${VM_STAGE}/vmsum.exe $<TARGET_FILE:vmsum>
    COMMAND ${CMAKE_STRIP} --strip-all -o ${VM_STAGE}/vmshell.dll $<TARGET_FILE:vmshell>
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${VM_STAGE}/libgcrypt-20.dll ${VM_GCRYPT_DLL}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${VM_STAGE}/libgpg-error-0.dll ${VM_GPG_ERROR_DLL}
    COMMAND ${CMAKE_STRIP} --strip-debug -o ${VM_STAGE}/libksba-8.dll ${VM_KSBA_DLL}
    # Only the setup installs the package; the portable zip has no use for it.
    COMMAND ${CMAKE_COMMAND} -E copy ${VM_RELEASE_PACKAGE} ${VM_STAGE}/verimond-explorer.msix
    COMMAND ${CMAKE_COMMAND} -E rm -f ${VM_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E chdir ${VM_STAGE} ${CMAKE_COMMAND} -E tar cf ${VM_RELEASE_ZIP} --format=zip ${VM_RELEASE_FILES}
    COMMAND ${VM_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DVERSION_MAJOR=${PROJECT_VERSION_MAJOR}
            -DVERSION_MINOR=${PROJECT_VERSION_MINOR} -DVERSION_PATCH=${PROJECT_VERSION_PATCH} -DSTAGE=${VM_STAGE}
            -DOUTFILE=${VM_RELEASE_SETUP} ${CMAKE_SOURCE_DIR}/release/verimond.nsi
    DEPENDS vmview vmsum vmshell ${VM_GCRYPT_DLL} ${VM_GPG_ERROR_DLL} ${VM_KSBA_DLL} release/verimond.nsi ${VM_STAGE}/README.txt
            ${VM_STAGE}/LICENSE.txt ${VM_RELEASE_PACKAGE}
    COMMENT "Packing the zip and the setup in dist/"
    VERBATIM)

set(VM_WINGET_DIR ${VM_DIST_DIR}/winget)
set(VM_MANIFESTS ${VM_WINGET_DIR}/Zentaro.Verimond.yaml ${VM_WINGET_DIR}/Zentaro.Verimond.installer.yaml
    ${VM_WINGET_DIR}/Zentaro.Verimond.locale.en-US.yaml ${VM_DIST_DIR}/scoop/verimond.json)
add_custom_command(
    OUTPUT ${VM_MANIFESTS}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/release/write_manifests.py ${PROJECT_VERSION} ${VM_PROJECT_URL}
            ${VM_RELEASE_SETUP} ${VM_RELEASE_ZIP} ${VM_DIST_DIR}
    DEPENDS ${VM_RELEASE_ZIP} ${VM_RELEASE_SETUP} release/write_manifests.py
    COMMENT "Writing the winget and Scoop manifests in dist/"
    VERBATIM)
add_custom_target(release ALL DEPENDS ${VM_RELEASE_ZIP} ${VM_RELEASE_SETUP} ${VM_RELEASE_PACKAGE} ${VM_MANIFESTS})
