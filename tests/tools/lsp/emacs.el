;;; Emacs as the language server's client, in batch: loads the README's
;;; configuration from $CONFIG, opens the line description in $SCENARIO,
;;; waits for the server's diagnostics on it, writes a new description, and
;;; writes what it saw as JSON to $RESULT. Written for Emacs 28 and later.
(require 'json)
(require 'cl-lib)

(defvar scenario-test-published nil "The diagnostics published, by file name.")

(let ((result nil))
  (condition-case failure
      (progn
        (load (getenv "CONFIG") nil t t)
        (cl-defmethod eglot-handle-notification
          :before (_server (_method (eql textDocument/publishDiagnostics))
                           &key uri diagnostics &allow-other-keys)
          (push (cons (file-name-nondirectory (eglot--uri-to-path uri)) diagnostics)
                scenario-test-published))
        (let ((dir (file-name-as-directory (getenv "SCENARIO"))))
          ;; eglot-ensure connects after the command that opened the file.
          (find-file (concat dir "Borgo_Mar_linea.txt"))
          (setq result (list (cons 'mode (symbol-name major-mode))))
          (run-hooks 'post-command-hook)
          (let ((tries 0))
            (while (and (not (assoc "Borgo_Mar_linea.txt" scenario-test-published))
                        (< tries 400))
              (accept-process-output nil 0.05)
              (setq tries (1+ tries))))
          (push (cons 'managed (if (bound-and-true-p eglot--managed-mode) t :json-false)) result)
          (push (cons 'opened (or (cdr (assoc "Borgo_Mar_linea.txt" scenario-test-published))
                                  :json-null))
                result)
          ;; A description begun in the editor is written in Windows-1252.
          (find-file (concat dir "Nuovo_linea.txt"))
          (insert "[generale]\ncartello_indicatore,  2950,   Citt\u00e0\n")
          (save-buffer)
          (push (cons 'written (symbol-name buffer-file-coding-system)) result)))
    (error (push (cons 'failure (format "%S" failure)) result)))
  (with-temp-file (getenv "RESULT")
    (set-buffer-file-coding-system 'utf-8-unix)
    (insert (json-encode result)))
  (kill-emacs 0))
