#pragma once
// Placeholder: the real FTP test server lands with the FTP client.
