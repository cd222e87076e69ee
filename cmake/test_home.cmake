# cmake -DHOME=<folder> -P test_home.cmake
#
# Makes an empty home folder for a test run, with a runtime folder that only
# its owner may enter, as Qt wants of XDG_RUNTIME_DIR.
file(REMOVE_RECURSE ${HOME})
file(MAKE_DIRECTORY ${HOME}/runtime)
file(CHMOD ${HOME}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
