on docstate()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set docCount to count of documents
			if docCount is 0 then return {0}
			set theDoc to active document
			set fullName to ""
			try
				set fullName to posix full name of theDoc
			end try
			set theSelection to selection
			return {docCount, name of theDoc, fullName, selection start of theSelection, selection end of theSelection, story type of theSelection, track revisions of theDoc, protection type of theDoc}
		end tell
	end timeout
end docstate

on readrange(docName, rangeStart, rangeEnd)
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			if docName is "" then
				set theDoc to active document
			else
				set theDoc to document docName
			end if
			return content of (create range theDoc start rangeStart end rangeEnd)
		end tell
	end timeout
end readrange

on readall(docName)
	my requireword()
	with timeout of 5 seconds
		tell application id "com.microsoft.Word"
			if docName is "" then
				set theDoc to active document
			else
				set theDoc to document docName
			end if
			return content of text object of theDoc
		end tell
	end timeout
end readall

on environment()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set docCount to count of documents
			set docNames to {}
			repeat with i from 1 to docCount
				set end of docNames to name of document i
			end repeat
			return {application version, docCount, docNames}
		end tell
	end timeout
end environment

on autosettings()
	my requireword()
	with timeout of 3 seconds
		tell application id "com.microsoft.Word"
			set theAutocorrect to autocorrect object
			set theSettings to settings
			return {correct sentence caps of theAutocorrect, correct initial caps of theAutocorrect, replace text of theAutocorrect, auto format as you type replace quotes of theSettings, auto format as you type replace symbols of theSettings, auto format as you type replace ordinals of theSettings, auto format as you type replace fractions of theSettings, auto format as you type apply numbered lists of theSettings, auto format as you type apply bulleted lists of theSettings, auto format as you type replace hyperlinks of theSettings, auto format as you type replace plain text emphasis of theSettings}
		end tell
	end timeout
end autosettings

-- A tell block starts Word when it is not running; a read after Word quit must fail instead.
on requireword()
	if application id "com.microsoft.Word" is not running then error "Microsoft Word isn’t running." number -600
end requireword
