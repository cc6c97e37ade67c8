// A page's script using every member of the plug-in's root object and file
// objects, checked against types/norvell-zephel.d.ts by the TypeScript
// compiler (tsc --noEmit --strict). See docs/page-api.md.

function describe(file: NorvellZephelFile): string {
  const parts: string[] = [file.name, file.extension, file.type, file.lastModifiedDate, file.permanentHandle];
  const exists: boolean = file.fileExists;
  return parts.join(" ") + (exists ? " (exists)" : " (missing)");
}

function lastError(root: NorvellZephelRoot, e: unknown): string {
  // Some browsers replace a plug-in's message by a generic one.
  const message = root.getLastException();
  return message !== undefined ? message : String(e);
}

function useFiles(root: NorvellZephelRoot): void {
  root.loggingLevel = 4;
  const level: number = root.loggingLevel;
  const version: string = root.version;

  const opened = root.showOpenDialog("Text files|txt|All files|*");
  if (opened !== null) {
    const text: string = opened.contentsAsTextStream();
    const head: string = opened.contentsAsTextStream(0, 100);
    const tail: string = opened.contentsAsBinaryStream(10);
    const middle: string = opened.contentsAsBinaryStream(null, 16);
    console.log(describe(opened), text.length, head, tail, middle);
  }
  const target = root.showSaveDialog("Text files|txt");
  root.saveStreamToFile(target, "first line\n", "replace");
  root.saveStreamToFile(target, "second line\n", "append");
  root.saveStreamToFile(target, "title\n", "prepend");
  root.saveStreamToFile(target, "all new\n", "");

  const folder = root.showSelectFolderDialog();
  const other = root.showSelectFolderDialogWithTitle("Where should the export go?");
  const inFolder: NorvellZephelFile | null = root.createFileInFolder(folder !== null ? folder : other, "export.csv");
  if (inFolder !== null) root.saveStreamToFile(inFolder, "a,b\n", "");

  const draft: NorvellZephelFile = root.acquireRecoveryFile("txt", "document-42");
  root.saveStreamToFile(draft, "unsaved work", "");
  window.localStorage.setItem("draft", draft.permanentHandle);
  const stored = window.localStorage.getItem("draft");
  if (stored !== null) {
    const again: NorvellZephelFile = root.fileFromPermanentHandle(stored);
    if (again.fileExists) root.releaseRecoveryFile(again);
  }
  root.releaseRecoveryFile(null);

  const writeId: number = root.registerWriteHandler(function (...args: unknown[]) { return args.length; });
  const queryId: number = root.registerQueryHandler(null);
  root.unregisterWriteHandler(writeId);
  root.unregisterQueryHandler(queryId);

  root.crash("not the code");
  console.log(level, version);
}

function manageSecondaryPlugins(root: NorvellZephelRoot): void {
  const descriptor: NorvellZephelPluginDescriptor = {
    PluginName: "Scanner",
    PluginBit: "32",
    PluginRequiredVersion: "2.0",
    PluginLatestVersion: "2.9",
    ZipPackageURL: "Scanner32.zip",
    Siteversion: "1.0.7",
    ModuleName: "Scanner",
  };
  const text = JSON.stringify(descriptor);
  root.initialize();
  let received = 0;
  const onProgress: NorvellZephelUpdateProgress = function (chunkBytes) { received += chunkBytes; };
  const onComplete: NorvellZephelUpdateComplete = function (installed) {
    if (installed && root.registerPlugin(text)) console.log("ready after", received, "bytes");
  };
  root.updatePlugin(text, onComplete, onProgress);
  root.updatePlugin(text, null, null);
  const removed: boolean = root.unregisterPlugin(JSON.stringify({ PluginName: "Scanner", PluginBit: "32", PluginVersion: "2.1" }));
  root.unInitialize();
  console.log(removed);
}

function useCommonMembers(object: NorvellZephelScriptable): void {
  const description: string = object.toString();
  const value: string = object.value;
  const valid: boolean = object.valid;
  object.setAttribute("note", 42);
  const note: unknown = object.getAttribute("note");
  const handler: NorvellZephelEventHandler = function () { console.log("event"); };
  object.addEventListener("progress", handler, false);
  object.removeEventListener("progress", handler);
  object.attachEvent("onprogress", handler);
  object.detachEvent("onprogress", handler);
  console.log(description, value, valid, note);
}

// The page names this function in the element's "onload" parameter.
const pluginLoaded: NorvellZephelOnload = function (root) {
  try {
    useFiles(root);
    manageSecondaryPlugins(root);
    useCommonMembers(root);
    const draft = root.acquireRecoveryFile("txt", "");
    useCommonMembers(draft);
  } catch (e) {
    console.log(lastError(root, e));
  }
};

const element = document.getElementById("plugin") as NorvellZephelElement;
element.width = "1";
try {
  if (element.valid) pluginLoaded(element);
} catch (e) {
  console.log("the plug-in has gone", e);
}
