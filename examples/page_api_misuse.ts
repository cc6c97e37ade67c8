// Misuses of the plug-in that the typings must reject. Every line marked
// with an expect-error directive has to produce an error of its own, and the
// file as a whole must compile (tsc reports a directive that found no error).

declare const root: NorvellZephelRoot;
declare const file: NorvellZephelFile;

// @ts-expect-error the filter is text
root.showOpenDialog(1);
// @ts-expect-error the filter is required
root.showSaveDialog();
// @ts-expect-error the folder dialog takes no argument
root.showSelectFolderDialog("title");
// @ts-expect-error the title is required
root.showSelectFolderDialogWithTitle();
// @ts-expect-error the folder is a file object, not a path
root.createFileInFolder("C:/work", "out.txt");
// @ts-expect-error the mode is required
root.saveStreamToFile(file, "data");
// @ts-expect-error an unknown write mode
root.saveStreamToFile(file, "data", "apend");
// @ts-expect-error the data is text
root.saveStreamToFile(file, 42, "");
// @ts-expect-error a handler is a function
root.registerWriteHandler("handler");
// @ts-expect-error the id is a number
root.unregisterQueryHandler("3");
// @ts-expect-error the folder of a recovery file is required
root.acquireRecoveryFile("txt");
// @ts-expect-error a recovery file is released through its file object
root.releaseRecoveryFile(file.permanentHandle);
// @ts-expect-error a permanent handle is text
root.fileFromPermanentHandle(file);
// @ts-expect-error the descriptor is JSON text, not the object
root.updatePlugin({ PluginName: "Scanner", PluginBit: "32" }, null, null);
// @ts-expect-error both callbacks are required (null for none)
root.updatePlugin("{}", null);
// @ts-expect-error the completion function hears a boolean
root.updatePlugin("{}", function (installed: string) { return installed; }, null);
// @ts-expect-error the descriptor is required
root.registerPlugin();
// @ts-expect-error initialize takes no argument
root.initialize("plugins.manifest");
// @ts-expect-error the logging level is a number
root.loggingLevel = "4";
// @ts-expect-error the version is read-only
root.version = "2.0";
// @ts-expect-error a file's name is read-only
file.name = "other.txt";
// @ts-expect-error offsets are numbers
file.contentsAsTextStream("0");
// @ts-expect-error the readers take at most two arguments
file.contentsAsBinaryStream(0, 1, 2);
// @ts-expect-error a file object has no dialogs
file.showOpenDialog("Text|txt");
// @ts-expect-error a descriptor needs PluginBit
const descriptor: NorvellZephelPluginDescriptor = { PluginName: "Scanner" };
export {};

// The page library.
declare const wrapped: NorvellZephelWrappedRoot;
// @ts-expect-error the library's callbacks are node-style: the error comes first
wrapped.updatePlugin("{}", null, (installed: boolean) => console.log(installed));
// @ts-expect-error the time limit is a number of milliseconds
NorvellZephel.ready({timeout: "10 s"});
// @ts-expect-error get reads members of the wrapped object only
wrapped.get("noSuchMember");
