# Sets corvane_installed_files: every file that installing Corvane puts
# under <root>, relative to <root>, sorted. Needs APP_ID, BINDIR, DATADIR.
# Shared by the install check and the Debian package check.
set(corvane_icons usr/${DATADIR}/icons/hicolor)
set(corvane_installed_files
    usr/${BINDIR}/corvane
    usr/${DATADIR}/applications/${APP_ID}.desktop
    usr/${DATADIR}/metainfo/${APP_ID}.metainfo.xml
    ${corvane_icons}/16x16/apps/${APP_ID}.png
    ${corvane_icons}/32x32/apps/${APP_ID}.png
    ${corvane_icons}/48x48/apps/${APP_ID}.png
    ${corvane_icons}/scalable/apps/${APP_ID}.svg)
list(SORT corvane_installed_files)
