// QA installer mode (QA brand "B1"): the file commands redirect paths that
// hold the default QA brand folder "Quorvent QA DEV" to the QA brand's.
var T = PageTest;
var S = TEST_ENV.scratch;
var QA = S + "\\Quorvent QA DEV";
var B1 = S + "\\B1";

function installerMain() {
    T.call(33);
    T.equal("21 source file", T.call(21, { filePath: S, name: "src", content: "qa" }), true);

    var copy = T.call(25, { filePath: S + "\\src.txt", newFilePath: QA, newFileName: "copy.txt" });
    T.equal("25 copy into the QA folder", copy && copy.result, true);
    T.equal("25 landed in the QA brand's folder", T.call(37, { filePath: B1 + "\\copy.txt" }), true);
    T.equal("37 the default folder is read as the QA brand's",
            T.call(37, { filePath: QA + "\\copy.txt" }), true);
    // Command 40 reads the path as given: the copy is not under the default folder.
    T.equal("40 the copy's text", T.call(40, { filePath: B1 + "\\copy.txt" }), "qa");
    T.equal("nothing was written under the default folder itself", T.call(40, { filePath: QA + "\\copy.txt" }), "");

    T.call(16, { folder: QA.replace(/\\/g, "/") });
    T.equal("16 deleted the QA brand's folder", T.call(37, { filePath: B1 + "\\copy.txt" }), false);
    T.equal("16 left the rest", T.call(37, { filePath: S + "\\src.txt" }), true);
    T.finish();
}
