// Type definitions for the Norvell Zephel browser plug-in, version 1.0.7.
//
// Page script reaches the plug-in through its <object> element:
//
//   <object id="plugin" type="application/x-norvellzephel32" width="1" height="1">
//     <param name="onload" value="pluginLoaded">
//   </object>
//
//   const plugin = document.getElementById("plugin") as NorvellZephelElement;
//
// Every member raises a script error on misuse; docs/page-api.md lists the
// messages. Global declarations: include this file in a page's compilation
// (a triple-slash reference or the "files" of a tsconfig.json).

/** Members that every object of the plug-in has: the root object and file objects. */
interface NorvellZephelScriptable {
  /** "<JSAPI-Auto Javascript Object>". */
  toString(): string;
  /** A value the page stored on this object with setAttribute or a plain assignment; undefined when there is none. */
  getAttribute(name: string): unknown;
  /** Stores a value on this object under `name`. */
  setAttribute(name: string, value: unknown): void;
  /** The object's description, "<JSAPI-Auto Javascript Object>". */
  readonly value: string;
  /** True; once the object's instance has gone away, reading it (like any member) raises "This object is no longer valid". */
  readonly valid: boolean;
  /** The message of the plug-in's most recent script error (NPAPI and ActiveX). */
  getLastException(): string | undefined;
  /** NPAPI browsers: adds a handler for the plug-in event `type` (without "on"). */
  addEventListener(type: string, handler: NorvellZephelEventHandler, useCapture?: boolean): void;
  /** NPAPI browsers: removes a handler added with addEventListener. */
  removeEventListener(type: string, handler: NorvellZephelEventHandler, useCapture?: boolean): void;
  /** Internet Explorer (ActiveX): adds a handler for the event `name`, given with its "on" prefix. */
  attachEvent(name: string, handler: NorvellZephelEventHandler): void;
  /** Internet Explorer (ActiveX): removes a handler added with attachEvent. */
  detachEvent(name: string, handler: NorvellZephelEventHandler): void;
}

/** A function the plug-in calls for an event. */
type NorvellZephelEventHandler = (...args: unknown[]) => void;

/** Called once, 250 ms after the plug-in is ready, when the page names it in the "onload" parameter. */
type NorvellZephelOnload = (root: NorvellZephelRoot) => void;

/** Called once when "updatePlugin" has finished: true when the plug-in is installed. */
type NorvellZephelUpdateComplete = (installed: boolean) => void;

/** Called for every chunk of a package download with that chunk's size in bytes (not a running total). */
type NorvellZephelUpdateProgress = (chunkBytes: number) => void;

/** A function kept in one of the handler registries. */
type NorvellZephelHandler = (...args: unknown[]) => unknown;

/** One local file or folder. Only a path: it may name a file that does not exist yet. */
interface NorvellZephelFile extends NorvellZephelScriptable {
  /** The last component of the path ("report.txt"); "." for a path ending in a separator. */
  readonly name: string;
  /** The extension with its dot (".txt"); empty when there is none. */
  readonly extension: string;
  /** Whether a file or folder exists at the path. */
  readonly fileExists: boolean;
  /** A text the page may store and give back to fileFromPermanentHandle later. */
  readonly permanentHandle: string;
  /** The MIME type known for the extension ("text/plain"), or empty. */
  readonly type: string;
  /** When the file was last written, as "YYYY-MM-DDThh:mm:ssZ" (UTC); empty for a missing file. */
  readonly lastModifiedDate: string;
  /** The bytes from `offset` (default 0), at most `length` (default: to the end), as text; stops at a NUL byte. */
  contentsAsTextStream(offset?: number | null, length?: number | null): string;
  /** The bytes from `offset` (default 0), at most `length` (default: to the end), as Base64. */
  contentsAsBinaryStream(offset?: number | null, length?: number | null): string;
}

/** The root object: the plug-in element itself, and the argument of the onload function. */
interface NorvellZephelRoot extends NorvellZephelScriptable {
  /** Trace lines: 4 or more writes each member's name to the page's console. Shared by all pages. */
  loggingLevel: number;
  /** "1.0.7". Readable by every page, trusted or not. */
  readonly version: string;

  /** The open-file dialog; filter like "Text files|txt|All files|*". Null when cancelled. */
  showOpenDialog(filter: string): NorvellZephelFile | null;
  /** The save-file dialog; adds the chosen filter's extension when the name lacks it. Null when cancelled. */
  showSaveDialog(filter: string): NorvellZephelFile | null;
  /** The folder dialog. Null when cancelled. */
  showSelectFolderDialog(): NorvellZephelFile | null;
  /** The folder dialog with the page's title (an empty title keeps the default). Null when cancelled. */
  showSelectFolderDialogWithTitle(title: string): NorvellZephelFile | null;

  /** A file object for `name` inside `folder` (nothing is created); null when `folder` is null. */
  createFileInFolder(folder: NorvellZephelFile | null, name: string): NorvellZephelFile | null;
  /** Writes `data` into the file: mode "append", "prepend", or anything else to replace it. */
  saveStreamToFile(file: NorvellZephelFile | null, data: string, mode: NorvellZephelWriteMode): void;

  /** Adds a write handler; answers its id. */
  registerWriteHandler(handler: NorvellZephelHandler | null): number;
  /** Adds a query handler; answers its id. */
  registerQueryHandler(handler: NorvellZephelHandler | null): number;
  /** Deactivates the write handler with this id; unknown ids are ignored. */
  unregisterWriteHandler(id: number): void;
  /** Deactivates the query handler with this id; unknown ids are ignored. */
  unregisterQueryHandler(id: number): void;

  /** Ends the browser's plug-in process when given the access code (tests of a page's recovery); any other text does nothing. */
  crash(code: string): void;

  /** A new, uniquely named file in the recovery folder `folder` of the per-user work folder (not yet created). */
  acquireRecoveryFile(extension: string, folder: string): NorvellZephelFile;
  /** Deletes the file (or empty folder) the object names; nothing when it does not exist or `file` is null. */
  releaseRecoveryFile(file: NorvellZephelFile | null): void;
  /** The file object for a stored permanent handle; an invalid handle gives an object whose name is empty. */
  fileFromPermanentHandle(handle: string): NorvellZephelFile;

  /** Installs the secondary plug-in that `descriptor` (JSON text of a NorvellZephelPluginDescriptor) names, unless one is installed. */
  updatePlugin(descriptor: string, onComplete: NorvellZephelUpdateComplete | null,
               onProgress: NorvellZephelUpdateProgress | null): void;
  /** Registers the installed secondary plug-in the descriptor names; true when its module accepted. */
  registerPlugin(descriptor: string): boolean;
  /** Unregisters the secondary plug-in (or versions) the descriptor names; false when none matched. */
  unregisterPlugin(descriptor: string): boolean;
  /** Loads the list of installed secondary plug-ins; call once before the other plug-in manager members. */
  initialize(): void;
  /** Forgets the loaded list (files stay). */
  unInitialize(): void;
}

/** The <object type="application/x-norvellzephel32"> element: the root object's members are on it. */
type NorvellZephelElement = HTMLObjectElement & NorvellZephelRoot;

/** How saveStreamToFile writes: "append", "prepend", or any other text (conventionally "") to replace the file. */
type NorvellZephelWriteMode = "append" | "prepend" | "replace" | "";

/**
 * A secondary plug-in as the page describes it to updatePlugin, registerPlugin and
 * unregisterPlugin (pass JSON.stringify(descriptor)). Every value is a string.
 */
interface NorvellZephelPluginDescriptor {
  /** The plug-in's name (letters, digits, ".", "-", "_"). Compared ignoring case. */
  PluginName: string;
  /** Its bitness, such as "32" (same characters as the name). Compared ignoring case. */
  PluginBit: string;
  /** A version ("2.1.0"): accepted besides the range PluginRequiredVersion to PluginLatestVersion. */
  PluginVersion?: string;
  /** The lowest acceptable version (inclusive). */
  PluginRequiredVersion?: string;
  /** The highest acceptable version (inclusive). */
  PluginLatestVersion?: string;
  /** The package: a file name under "/<Siteversion>/core/installers/" on the page's host, or an absolute https address on a trusted host. */
  ZipPackageURL?: string;
  /** The site version folder the package lies in. */
  Siteversion?: string;
  /** Another name for Siteversion (the later of the two wins). */
  Changelist?: string;
  /** The module's name: the module file is "np" + ModuleName + PluginBit + ".dll". */
  ModuleName?: string;
  /** Filled in by the plug-in manager; ignored in a descriptor. */
  ModulePath?: string;
  /** Filled in by the plug-in manager: "1" registered, "0" or empty not. */
  Installed?: string;
}

// The page library, js/norvell-zephel.js: the global NorvellZephel and the
// objects it wraps. A wrapped object throws an Error with the plug-in's own
// message when a member fails.

/** A node-style callback of the page library: `error` is null when the call worked. */
type NorvellZephelCallback<T> = (error: Error | null, result?: T) => void;

/** What the page library adds to the objects it wraps. */
interface NorvellZephelWrapper<Raw> {
  /** The plug-in's own object. */
  readonly raw: Raw;
  /** Reads a property (also where the script engine has no property accessors). */
  get<K extends keyof Raw>(name: K): Raw[K];
  /** Writes a property. */
  set<K extends keyof Raw>(name: K, value: Raw[K]): void;
}

/** A file object wrapped by the page library; it can be passed back wherever a file object goes. */
interface NorvellZephelWrappedFile extends NorvellZephelFile, NorvellZephelWrapper<NorvellZephelFile> {}

/** Members of the root object whose wrapped form differs. */
type NorvellZephelRewrapped = "showOpenDialog" | "showSaveDialog" | "showSelectFolderDialog" |
  "showSelectFolderDialogWithTitle" | "createFileInFolder" | "acquireRecoveryFile" | "fileFromPermanentHandle" |
  "updatePlugin" | "registerWriteHandler" | "registerQueryHandler" | "unregisterWriteHandler" |
  "unregisterQueryHandler";

/**
 * The root object wrapped by the page library: file objects come back wrapped; updatePlugin and
 * the handler registries return a Promise, or take a node-style callback after their own arguments.
 */
interface NorvellZephelWrappedRoot extends Omit<NorvellZephelRoot, NorvellZephelRewrapped>,
    NorvellZephelWrapper<NorvellZephelRoot> {
  showOpenDialog(filter: string): NorvellZephelWrappedFile | null;
  showSaveDialog(filter: string): NorvellZephelWrappedFile | null;
  showSelectFolderDialog(): NorvellZephelWrappedFile | null;
  showSelectFolderDialogWithTitle(title: string): NorvellZephelWrappedFile | null;
  createFileInFolder(folder: NorvellZephelFile | null, name: string): NorvellZephelWrappedFile | null;
  acquireRecoveryFile(extension: string, folder: string): NorvellZephelWrappedFile;
  fileFromPermanentHandle(handle: string): NorvellZephelWrappedFile;
  /** Resolves with true when the plug-in is installed, false when it could not be. */
  updatePlugin(descriptor: NorvellZephelPluginDescriptor | string,
               onProgress?: NorvellZephelUpdateProgress | null): Promise<boolean>;
  updatePlugin(descriptor: NorvellZephelPluginDescriptor | string, onProgress: NorvellZephelUpdateProgress | null,
               callback: NorvellZephelCallback<boolean>): void;
  /** Resolves with the handler's id. */
  registerWriteHandler(handler: NorvellZephelHandler | null): Promise<number>;
  registerWriteHandler(handler: NorvellZephelHandler | null, callback: NorvellZephelCallback<number>): void;
  registerQueryHandler(handler: NorvellZephelHandler | null): Promise<number>;
  registerQueryHandler(handler: NorvellZephelHandler | null, callback: NorvellZephelCallback<number>): void;
  unregisterWriteHandler(id: number): Promise<void>;
  unregisterWriteHandler(id: number, callback: NorvellZephelCallback<void>): void;
  unregisterQueryHandler(id: number): Promise<void>;
  unregisterQueryHandler(id: number, callback: NorvellZephelCallback<void>): void;
}

/** Where NorvellZephel.ready looks for the plug-in, and how long it waits. */
interface NorvellZephelReadyOptions {
  /** The <object> element or its id (default: the page's first one, or a new one). */
  element?: HTMLElement | string;
  /** Where a new <object> goes (default: the body). */
  parent?: HTMLElement | string;
  /** Milliseconds to wait (default 10000). */
  timeout?: number;
  /** An object made already (a script host's new ActiveXObject): wrapped at once. */
  plugin?: NorvellZephelRoot;
}

/** The page library's global. */
declare const NorvellZephel: {
  /** Finds or inserts the plug-in element and waits until it answers. */
  ready(options?: NorvellZephelReadyOptions | null): Promise<NorvellZephelWrappedRoot>;
  ready(callback: NorvellZephelCallback<NorvellZephelWrappedRoot>): void;
  ready(options: NorvellZephelReadyOptions | null, callback: NorvellZephelCallback<NorvellZephelWrappedRoot>): void;
  /** Wraps a root object that is ready. */
  wrap(root: NorvellZephelRoot): NorvellZephelWrappedRoot;
  /** "application/x-norvellzephel32". */
  readonly type: string;
};
