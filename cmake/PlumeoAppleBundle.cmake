# The macOS application bundle. The system grants Accessibility, Automation and Input
# Monitoring to a signed bundle with a stable identifier; Automation also needs the usage
# text in Info.plist and, under the hardened runtime, the apple-events entitlement.
set(PLUMEO_BUNDLE_IDENTIFIER "app.plumeo.Plumeo" CACHE STRING "CFBundleIdentifier of Plumeo.app")
set(PLUMEO_CODESIGN_IDENTITY "-" CACHE STRING
    "codesign identity for Plumeo.app; '-' signs ad hoc, whose grants a rebuild loses")
option(PLUMEO_HARDENED_RUNTIME "Sign Plumeo.app with the hardened runtime" OFF)

# Makes `target` the bundle Plumeo.app and signs it with the entitlements after every build.
function(plumeo_apple_bundle target)
    set_target_properties(${target} PROPERTIES
        MACOSX_BUNDLE TRUE
        OUTPUT_NAME Plumeo
        MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/platform/bundle/Info.plist.in
        MACOSX_BUNDLE_GUI_IDENTIFIER ${PLUMEO_BUNDLE_IDENTIFIER}
        MACOSX_BUNDLE_BUNDLE_NAME Plumeo
        MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
        MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    )
    set(runtime_option)
    if(PLUMEO_HARDENED_RUNTIME)
        set(runtime_option --options runtime)
    endif()
    # A target of its own, since the bundle's target may live in another directory.
    add_custom_target(${target}-codesign ALL
        COMMAND codesign --force --sign ${PLUMEO_CODESIGN_IDENTITY} ${runtime_option}
                --entitlements ${PROJECT_SOURCE_DIR}/platform/bundle/Plumeo.entitlements
                $<TARGET_BUNDLE_DIR:${target}>
        COMMENT "Signing Plumeo.app with its entitlements"
        VERBATIM)
    add_dependencies(${target}-codesign ${target})
endfunction()
