# The folders of src/, lowest layer first, and the folders each one's sources may include
# besides their own. src/CMakeLists.txt links each folder's library to exactly these;
# cmake/LayerCheck.cmake fails the build when a source includes any other folder.
set(VYK_LAYERS platform core config discovery launch cli ui)
set(VYK_USES_platform)
set(VYK_USES_core platform)
set(VYK_USES_config platform core)
set(VYK_USES_discovery platform core)
set(VYK_USES_launch platform core config)
set(VYK_USES_cli platform core config discovery launch)
set(VYK_USES_ui platform core config discovery launch)
