# The KWin script and the GNOME Shell extension cannot run here without their desktops, so they
# are checked as far as node goes: their metadata is JSON, the extension parses as a module, and
# the KWin script, run against a stand-in for KWin's workspace, reports the activated window's
# class through ReportFocus. Usage: cmake -DNODE=<node> -DPACKAGING=<folder> -DWORK=<folder> -P ...
file(GLOB metadata "${PACKAGING}/kwin/*/metadata.json" "${PACKAGING}/gnome-shell/*/metadata.json")
list(LENGTH metadata count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "expected the KWin script's and the extension's metadata, found: ${metadata}")
endif()
foreach(file IN LISTS metadata)
  execute_process(COMMAND ${NODE} -e "JSON.parse(require('fs').readFileSync(process.argv[1], 'utf8'))" ${file}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${file} is not JSON")
  endif()
endforeach()

file(GLOB extension "${PACKAGING}/gnome-shell/*/extension.js")
file(MAKE_DIRECTORY ${WORK})
configure_file(${extension} ${WORK}/extension.mjs COPYONLY)
execute_process(COMMAND ${NODE} --check ${WORK}/extension.mjs RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the GNOME Shell extension does not parse")
endif()

file(GLOB kwin "${PACKAGING}/kwin/*/contents/code/main.js")
file(WRITE ${WORK}/kwin_stand_in.js [=[
const vm = require('vm');
const calls = [];
let activated = null;
const context = {
    workspace: {windowActivated: {connect: handler => { activated = handler; }}},
    callDBus: (...args) => calls.push(args),
};
vm.runInNewContext(require('fs').readFileSync(process.argv[2], 'utf8'), context);
activated(null);
activated({resourceClass: 'steam_app_730', desktopFileName: ''});
const expected = JSON.stringify([['io.github.qx4config.Qx4Config1', '/io/github/qx4config/Qx4Config1',
                                  'io.github.qx4config.Qx4Config1', 'ReportFocus', 'steam_app_730']]);
if (JSON.stringify(calls) !== expected) {
    console.error('ReportFocus calls: ' + JSON.stringify(calls));
    process.exit(1);
}
]=])
execute_process(COMMAND ${NODE} ${WORK}/kwin_stand_in.js ${kwin} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the KWin script does not report the activated window")
endif()
