// The messages of the ZRForm extension in one place: the commands that the
// popup, the context menu and the tests send to the background, the events
// that content scripts send it, the requests it makes of the native host, and
// the error texts the popup shows. See browser/protocol.md.

export const Command = Object.freeze({
  fill: 'fill',
  remember: 'remember',
  loginManager: 'login-manager',
  formManager: 'form-manager',
  search: 'search',
  history: 'history',
  clearHistory: 'clear-history',
  teach: 'teach',
  badge: 'badge',
  status: 'status',
});

// Content script -> background, sent by the page's own frame.
export const ContentEvent = Object.freeze({
  pageLoaded: 'page-loaded', // {page}: a document with a password input came up
  submitted: 'submitted', // {page, form, at}: a login is being sent (at: ms since the epoch)
  nameStep: 'name-step', // {url, name, value}: a login name typed on a page without a password
});

// Background -> content script of one frame.
export const FrameRequest = Object.freeze({
  snapshot: 'snapshot', // -> {page}
  apply: 'apply', // {url, writes} -> {written}
  clickedName: 'clicked-name', // -> {name}: the element last right-clicked
});

// Background -> native host (each with an id; see the host's table).
export const HostOp = Object.freeze({
  ping: 'ping',
  fill: 'fill',
  record: 'record',
  capture: 'capture',
  autoRecord: 'auto-record',
  count: 'count',
  loginManager: 'login-manager',
  formManager: 'form-manager',
  historyAdd: 'history-add',
  historyList: 'history-list',
  historyClear: 'history-clear',
  teach: 'teach',
});

export const kHostName = 'zrform.browser';

// The data set a fill takes its values from, as the host numbers them.
export const FillType = Object.freeze({ password: 1, home: 2, work: 3 });

export const ErrorText = Object.freeze({
  notInstalled: 'The ZRForm browser host is not installed. Run: zrform-browser install',
  noServer: 'The ZRForm server cannot be started: ',
  cannotFill: 'This page cannot be filled (a browser page or a PDF).',
  nothingMatched: 'Nothing on this page matched.',
  hostStopped: 'The ZRForm browser host stopped: ',
  badCommand: 'The ZRForm extension does not know this command: ',
});

// The profile fields a page's input can be taught as: internal name and caption.
// Both profiles end with the same address and contact fields.
const kAddressFields = [
  ['Address', 'Address'],
  ['City', 'City'],
  ['State', 'State'],
  ['Country', 'Country'],
  ['Zip', 'Zip Code'],
  ['Tel', 'Tel'],
  ['Fax', 'Fax'],
  ['Email', 'Email'],
];
export const kHomeFields = Object.freeze([
  ['Title', 'Title'],
  ['FirstName', 'First Name'],
  ['LastName', 'Last Name'],
  ...kAddressFields,
]);
export const kWorkFields = Object.freeze([
  ['JobTitle', 'Job Title'],
  ['Company', 'Company'],
  ...kAddressFields,
]);
