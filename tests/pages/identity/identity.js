// The identity and environment queries (13, 23, 27) against the real program.
// What the run is expected to show comes on the command line (command 24):
//   /expect-fallback   the page was loaded as the fallback package
//   /expect-stamped    the program carries the stamped pairs below
var STAMPED = '{"campaign":"spring 24","dir":"C:\\\\Temp","src":"mail"}';

// The answer text of a command, parsed; null (and a failed check) when it is not JSON.
function answerOf(id) {
    var text = PageTest.execute(id);
    try {
        return { text: text, value: JSON.parse(text) };
    } catch (e) {
        PageTest.check("command " + id + " answers JSON", false, String(text));
        return null;
    }
}

// A Windows path as the answers give it: a drive, forward slashes only.
function isForwardPath(path) {
    return typeof path === "string" && /^[A-Za-z]:\/./.test(path) && path.indexOf("\\") < 0;
}

function checkInfo() {
    var info = answerOf(13);
    if (!info) return;
    var v = info.value;
    PageTest.check("13 os is NAME(BUILD)_bitness", /^[A-Z0-9_]+\(\d+\)_(32|64)bit$/.test(v.os), v.os);
    PageTest.check("13 ie, ch, ff are texts",
                   typeof v.ie === "string" && v.ie.length > 0 && typeof v.ch === "string" && v.ch.length > 0 &&
                   typeof v.ff === "string" && v.ff.length > 0, info.text);
    PageTest.check("13 lg is a locale id", typeof v.lg === "number" && v.lg > 0 && v.lg % 1 === 0, info.text);
}

function checkInstaller(expectFallback, expectStamped) {
    var installer = answerOf(23);
    if (!installer) return;
    var v = installer.value;
    var run = /\/files\/e2e\/([^\/]+)\/$/.exec(TEST_ENV.files)[1];
    PageTest.equal("23 path", v.path, TEST_ENV.build.replace(/\\/g, "/") + "/tests/e2e/" + run);
    PageTest.equal("23 name", v.name, "WebInstaller");
    PageTest.equal("23 type", v.type, "exe");
    PageTest.equal("23 fixed members", [v.result, v.error, v.base, v.crypt, v.fallback], [true, "", "", true, ""]);
    PageTest.equal("23 indextype", v.indextype, expectFallback ? 2 : 1);
    // Members sorted, no blanks: the program's own compact text.
    PageTest.equal("23 advexe", JSON.stringify(v.advexe), expectStamped ? STAMPED : "{}");
}

function checkEnvironment() {
    var environment = answerOf(27);
    if (!environment) return;
    var v = environment.value;
    var guid = PageTest.call(28).GUID;
    PageTest.check("27 LOCALAPPDATA", isForwardPath(v.LOCALAPPDATA), v.LOCALAPPDATA);
    PageTest.check("27 PROGRAMFILES", isForwardPath(v.PROGRAMFILES), v.PROGRAMFILES);
    PageTest.check("27 temp is the working directory",
                   isForwardPath(v.temp) && v.temp.slice(-("/WebInstaller_" + guid + "/").length) ===
                   "/WebInstaller_" + guid + "/", v.temp);
    PageTest.check("27 sid is a SID text", /^S-1-5-21(-\d+)+$/.test(v.sid), v.sid);
    PageTest.check("27 systemStartMenu", isForwardPath(v.systemStartMenu) &&
                   /\/Start Menu\/Programs$/.test(v.systemStartMenu), v.systemStartMenu);
    PageTest.check("27 userStartMenu", isForwardPath(v.userStartMenu) &&
                   v.userStartMenu.indexOf("Start Menu") > 0, v.userStartMenu);
    PageTest.check("27 version", /^\d+\.\d+\.\d+\.\d+$/.test(v.version), v.version);
    PageTest.equal("27 processId is the run GUID", v.processId, guid);
    PageTest.check("27 verifier", /^[0-9a-f]{32}$/.test(v.verifier), v.verifier);
    PageTest.equal("27 className", v.className, "WebInstallerClassName");
}

function installerMain() {
    PageTest.call(33);
    var commandLine = PageTest.call(24).commandLine;
    checkInfo();
    checkInstaller(commandLine.indexOf("/expect-fallback") >= 0, commandLine.indexOf("/expect-stamped") >= 0);
    checkEnvironment();
    PageTest.finish();
}
