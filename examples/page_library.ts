// A page's script using the page library (js/norvell-zephel.js): the ready
// wait, wrapped members, and the Promise and callback forms, checked against
// types/norvell-zephel.d.ts by the TypeScript compiler. See docs/page-api.md.

function libraryDraft(root: NorvellZephelWrappedRoot, text: string): string {
  const draft = root.acquireRecoveryFile("txt", "drafts");
  root.saveStreamToFile(draft, text, "");
  const again = root.fileFromPermanentHandle(draft.get("permanentHandle"));
  const exists: boolean = again.fileExists;
  const level: number = root.get("loggingLevel");
  root.set("loggingLevel", level);
  root.releaseRecoveryFile(again);
  return String(exists) + again.raw.name;
}

function libraryInstall(root: NorvellZephelWrappedRoot, descriptor: NorvellZephelPluginDescriptor): void {
  root.initialize();
  let received = 0;
  root.updatePlugin(descriptor, (bytes) => { received += bytes; }).then((installed: boolean) => {
    if (installed) root.registerPlugin(JSON.stringify(descriptor));
  }, (error: Error) => console.log(error.message, received));
  root.updatePlugin(JSON.stringify(descriptor), null, (error, installed) => {
    if (error === null && installed === true) root.unregisterPlugin(JSON.stringify(descriptor));
  });
  root.registerWriteHandler(() => undefined).then((id: number) => root.unregisterWriteHandler(id));
  root.registerQueryHandler(null, (error, id) => {
    if (id !== undefined) root.unregisterQueryHandler(id, (e) => console.log(e));
  });
}

NorvellZephel.ready({parent: "plugin-holder", timeout: 5000}).then((root) => {
  console.log(libraryDraft(root, "text"), root.version);
  libraryInstall(root, {PluginName: "Scanner", PluginBit: "32", ZipPackageURL: "Scanner32.zip"});
}, (error: Error) => console.log(error.message));
NorvellZephel.ready((error, root) => {
  if (root !== undefined) console.log(NorvellZephel.wrap(root.raw).toString(), NorvellZephel.type);
});
