// The demo's interface page. It installs the demo product: download with
// progress, unpack into the user's local application data, write a note,
// start the product and wait for its exit code. In a window it shows progress
// and buttons; run with /silent (no document) it installs at once and ends
// the run itself.
var Demo = (function () {
    var SERVER = "http://127.0.0.1:18765/";
    var PRODUCT_URL = SERVER + "product/KestrelmoorDemo.7z";
    var ON_PROGRESS = 7, ON_DOWNLOADED = 8, ON_UNPACKED = 9, ON_EXITED = 10;
    var silent = false;
    var target = "";
    var started = false;

    function call(id, params) {
        var request = { id: id };
        if (params) request.params = params;
        var answer = InstallerJSCBObj.execute(JSON.stringify(request));
        if (typeof answer === "string" && answer.charAt(0) === "{") return JSON.parse(answer);
        return answer;
    }
    function element(id) {
        return typeof document !== "undefined" ? document.getElementById(id) : null;
    }
    function status(text) {
        var e = element("status");
        if (e) e.innerHTML = text;
    }
    function progress(percent) {
        var e = element("fill");
        if (e) e.style.width = Math.min(percent, 100) + "%";
    }
    function enable(id, on) {
        var e = element(id);
        if (e) e.disabled = !on;
    }
    function close(reason) {
        call(5, { fade: !silent, reason: reason });
    }
    function fail(step, detail) {
        status("The installation failed (" + step + ").");
        if (silent) close("install_failed_" + step + (detail ? "_" + detail : ""));
        else enable("close", true);
    }

    function start() {
        if (started) return;
        started = true;
        enable("install", false);
        enable("close", false);
        status("Downloading Kestrelmoor Demo...");
        var answer = call(1, { url: PRODUCT_URL, fileName: "KestrelmoorDemo.7z", onProgressId: ON_PROGRESS,
                               onFinishId: ON_DOWNLOADED, progressPercent: 10 });
        if (!answer || !answer.result) fail("download_start", answer && answer.error);
    }

    function onDownloaded(result) {
        if (!result.result) return fail("download");
        progress(100);
        status("Unpacking into " + target + "...");
        call(36, { inputFilePath: result.outputPath, outputFolder: target, onFinishId: ON_UNPACKED });
    }

    function onUnpacked(result) {
        if (!result.result) return fail("unpack");
        var note = "Kestrelmoor Demo was installed here by the web installer.";
        if (call(21, { filePath: target, name: "install-note", content: note }) !== true) return fail("note");
        status("Starting Kestrelmoor Demo...");
        var answer = call(2, { file: target + "/DemoProduct.exe", commandLine: "--first-run", onFinishId: ON_EXITED });
        if (!answer || !answer.result) fail("launch", answer && answer.error);
    }

    function onExited(result) {
        status("Kestrelmoor Demo is installed. It ran and ended with exit code " + result.exitCode + ".");
        if (silent) close("finished_successfully");
        else {
            enable("close", true);
            element("close").onclick = function () { close("finished_successfully"); };
        }
    }

    function main() {
        call(33);  // the page has started: no fallback
        var environment = call(27);
        target = environment.LOCALAPPDATA + "/KestrelmoorDemo";
        silent = call(24).commandLine.indexOf("/silent") >= 0;
        call(6, { width: 520, height: 320 });
        if (silent) start();
    }

    function callback(text) {
        var message = JSON.parse(text);
        var result = message.params;
        switch (message.listenerId) {
        case ON_PROGRESS: progress(result.percent); break;
        case ON_DOWNLOADED: onDownloaded(result); break;
        case ON_UNPACKED: onUnpacked(result); break;
        case ON_EXITED: onExited(result); break;
        }
    }
    return { main: main, start: start, close: close, callback: callback };
})();

function installerMain(text) { Demo.main(); }
function __GLOBAL_INSTALLER_CPP_CB_FUNCTION__(text) { Demo.callback(text); }
